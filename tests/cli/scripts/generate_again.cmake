# Runs the generator into WORKDIR and compares what it writes with the build's files in
# REFERENCE.  -DGENERATOR=path -DCONTENT=dir -DREFERENCE=dir -DWORKDIR=dir
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")
execute_process(COMMAND "${GENERATOR}" "${CONTENT}" "${WORKDIR}" TIMEOUT 280
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message(STATUS "status: ${status}\n${out}${err}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the generator failed with status ${status}")
endif()
foreach(name kelvra.dat point.bmp)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${REFERENCE}/${name}"
                          "${WORKDIR}/${name}" RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${name} of a second run differs from the build's ${REFERENCE}/${name}: "
                        "the generator is not deterministic")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORKDIR}")
