# Runs one command and checks its exit status and output.
#   -DCOMMAND="prog|arg|..."  -DEXPECT_STATUS=N  [-DEXPECT_OUTPUT=regex]  [-DREJECT_OUTPUT=regex]
#   [-DEXPECT_STDERR=regex]  [-DREJECT_STDOUT=regex]  [-DWORKDIR=dir]
#   [-DWRITE_FILE=path -DWRITE_TEXT=text] (written before anything runs)
#   [-DPACKTOOL=path -DPACK=path -DNEEDS_ENTRY=name] (skipped, printing "SKIPPED:", when the
#   pack does not hold the entry: the generated pack gains entries as its producers land)
cmake_minimum_required(VERSION 3.25)

if(DEFINED NEEDS_ENTRY)
  execute_process(COMMAND "${PACKTOOL}" list "${PACK}" RESULT_VARIABLE list_status
                  OUTPUT_VARIABLE listing ERROR_QUIET)
  string(FIND "${listing}" "${NEEDS_ENTRY}" found)
  if(NOT list_status EQUAL 0 OR found EQUAL -1)
    message("SKIPPED: ${PACK} does not hold ${NEEDS_ENTRY} yet")
    return()
  endif()
endif()

if(DEFINED WRITE_FILE)
  file(WRITE "${WRITE_FILE}" "${WRITE_TEXT}")
endif()
string(REPLACE "|" ";" COMMAND "${COMMAND}")
if(NOT DEFINED WORKDIR)
  set(WORKDIR ".")
endif()
file(MAKE_DIRECTORY "${WORKDIR}")

execute_process(COMMAND ${COMMAND} WORKING_DIRECTORY "${WORKDIR}" TIMEOUT 60
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message(STATUS "status: ${status}\nstdout:\n${out}\nstderr:\n${err}")
if(NOT "${status}" STREQUAL "${EXPECT_STATUS}")
  message(FATAL_ERROR "expected exit status ${EXPECT_STATUS}, got ${status}")
endif()
if(DEFINED EXPECT_OUTPUT AND NOT "${out}${err}" MATCHES "${EXPECT_OUTPUT}")
  message(FATAL_ERROR "output does not match: ${EXPECT_OUTPUT}")
endif()
if(DEFINED REJECT_OUTPUT AND "${out}${err}" MATCHES "${REJECT_OUTPUT}")
  message(FATAL_ERROR "output must not match: ${REJECT_OUTPUT}")
endif()
if(DEFINED EXPECT_STDERR AND NOT "${err}" MATCHES "${EXPECT_STDERR}")
  message(FATAL_ERROR "standard error does not match: ${EXPECT_STDERR}")
endif()
if(DEFINED REJECT_STDOUT AND "${out}" MATCHES "${REJECT_STDOUT}")
  message(FATAL_ERROR "standard output must not match: ${REJECT_STDOUT}")
endif()
