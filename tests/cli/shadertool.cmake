# Command-line runs of shadertool (included by tests/CMakeLists.txt).
# Arguments of COMMAND are separated by "|".
set(shadertool_work ${CMAKE_BINARY_DIR}/tests/cli/shadertool)
set(shadertool_check ${CMAKE_CURRENT_LIST_DIR}/scripts/run_and_check.cmake)
set(shadertool_source ${PROJECT_SOURCE_DIR}/content/shaders/shading2.psa)

function(shadertool_cli_test name)
  add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -DWORKDIR=${shadertool_work} ${ARGN}
                                -P ${shadertool_check})
  set_tests_properties(${name} PROPERTIES TIMEOUT 60
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1")
endfunction()

shadertool_cli_test(cli.shadertool_assembles
  "-DCOMMAND=$<TARGET_FILE:shadertool>|asm|${shadertool_source}|-o|${shadertool_work}/shading2.pso"
  -DEXPECT_STATUS=0)
set_tests_properties(cli.shadertool_assembles PROPERTIES FIXTURES_SETUP shadertool_program)

shadertool_cli_test(cli.shadertool_disassembles
  "-DCOMMAND=$<TARGET_FILE:shadertool>|disasm|${shadertool_work}/shading2.pso"
  -DEXPECT_STATUS=0 "-DEXPECT_OUTPUT=^ps[.]1[.]1\n.*dp3_sat r0, t1_bx2, t3_bx2\n")
set_tests_properties(cli.shadertool_disassembles PROPERTIES FIXTURES_REQUIRED shadertool_program)

# A write that fails (the device is full) is an error with the system's reason.
if(EXISTS /dev/full)
  shadertool_cli_test(cli.shadertool_reports_a_failed_write
    "-DCOMMAND=$<TARGET_FILE:shadertool>|asm|${shadertool_source}|-o|/dev/full"
    -DEXPECT_STATUS=3 "-DEXPECT_OUTPUT=shadertool: cannot write /dev/full: No space left on device")
endif()

shadertool_cli_test(cli.shadertool_help
  "-DCOMMAND=$<TARGET_FILE:shadertool>|--help" -DEXPECT_STATUS=0
  "-DEXPECT_OUTPUT=^usage: shadertool asm")

shadertool_cli_test(cli.shadertool_reports_a_refused_program
  "-DCOMMAND=$<TARGET_FILE:shadertool>|asm|${shadertool_work}/bad.psa|-o|${shadertool_work}/bad.pso"
  "-DWRITE_FILE=${shadertool_work}/bad.psa" "-DWRITE_TEXT=ps.1.1\nmov r0, c0\ntex t0\n"
  -DEXPECT_STATUS=1 "-DEXPECT_OUTPUT=bad[.]psa:3:1: texture instruction 'tex' after arithmetic")
