# packtool build -> list -> extract gives back the files it was built from.
#   -DPACKTOOL=path -DSOURCE=folder -DWORKDIR=folder
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")
set(pack "${WORKDIR}/round.dat")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${status}):\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

run("${PACKTOOL}" build "${SOURCE}" "${pack}")
run("${PACKTOOL}" list "${pack}")
if(NOT out MATCHES "morvek\\.mp3 +[0-9]+ +8776" OR NOT out MATCHES "notes\\\\hello\\.txt")
  message(FATAL_ERROR "unexpected listing:\n${out}")
endif()
run("${PACKTOOL}" extract "${pack}" "${WORKDIR}/out")
file(GLOB_RECURSE originals RELATIVE "${SOURCE}" "${SOURCE}/*")
foreach(f IN LISTS originals)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${SOURCE}/${f}" "${WORKDIR}/out/${f}"
                  RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "${f} did not come back unchanged")
  endif()
endforeach()

# The same folder builds the same bytes.
run("${PACKTOOL}" build "${SOURCE}" "${WORKDIR}/again.dat")
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${pack}" "${WORKDIR}/again.dat"
                RESULT_VARIABLE different)
if(different)
  message(FATAL_ERROR "two builds of the same folder differ")
endif()
