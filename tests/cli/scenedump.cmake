# Command-line runs of scenedump on the committed seed scenes (included by tests/CMakeLists.txt).
# Arguments of COMMAND are separated by "|".
set(scenedump_work ${CMAKE_BINARY_DIR}/tests/cli/scenedump)
set(scenedump_seeds ${PROJECT_SOURCE_DIR}/fuzz/corpus/scene3ds)
set(scenedump_check ${CMAKE_CURRENT_LIST_DIR}/scripts/run_and_check.cmake)

function(scenedump_cli_test name)
  add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -DWORKDIR=${scenedump_work} ${ARGN}
                                -P ${scenedump_check})
  set_tests_properties(${name} PROPERTIES TIMEOUT 60
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1")
endfunction()

scenedump_cli_test(cli.scenedump_lists_a_scene
  "-DCOMMAND=$<TARGET_FILE:scenedump>|${scenedump_seeds}/full.3ds" -DEXPECT_STATUS=0
  "-DEXPECT_OUTPUT=2 meshes \\(1 emitters\\), 1 keyframer-only objects.*Node tree:\n  Box \\(0\\)\n  [$][$][$]DUMMY \\(1\\)\n    emitter01 \\(2\\)\n"
  "-DREJECT_OUTPUT=Error")

# Faults go to standard error, and a file read with faults is not a clean dump: status 1.
scenedump_cli_test(cli.scenedump_reports_a_damaged_scene
  "-DCOMMAND=$<TARGET_FILE:scenedump>|${scenedump_seeds}/truncated.3ds" -DEXPECT_STATUS=1
  "-DEXPECT_STDERR=truncated[.]3ds at byte 2: main chunk length 1725 runs past the end of the file \\(862 bytes\\)"
  "-DREJECT_STDOUT=Error")

# The loader's fatal fault (the editor chunk first in the main chunk: "MM" and "==" are the
# ids 0x4D4D and 0x3D3D, the spaces lengths past the end) ends the load; its line goes to
# standard error, not into the listing.
scenedump_cli_test(cli.scenedump_reports_a_fatal_fault_on_standard_error
  -DWRITE_FILE=${scenedump_work}/fatal.3ds "-DWRITE_TEXT=MM    ==    .."
  "-DCOMMAND=$<TARGET_FILE:scenedump>|${scenedump_work}/fatal.3ds" -DEXPECT_STATUS=1
  "-DEXPECT_STDERR=Error in 3ds file !.!.! " "-DREJECT_STDOUT=Error")

# --log onto a full device: the listing is made, the log's failure said with the reason.
if(EXISTS /dev/full)
  scenedump_cli_test(cli.scenedump_log_onto_a_full_device
    "-DCOMMAND=$<TARGET_FILE:scenedump>|--log|/dev/full|${scenedump_seeds}/full.3ds"
    -DEXPECT_STATUS=3
    "-DEXPECT_STDERR=Cannot write the scene log /dev/full: No space left on device")
endif()

scenedump_cli_test(cli.scenedump_help
  "-DCOMMAND=$<TARGET_FILE:scenedump>|--help" -DEXPECT_STATUS=0 "-DEXPECT_OUTPUT=^usage: scenedump")

scenedump_cli_test(cli.scenedump_missing_file
  "-DCOMMAND=$<TARGET_FILE:scenedump>|${scenedump_seeds}/no-such-scene.3ds" -DEXPECT_STATUS=1
  "-DEXPECT_OUTPUT=scenedump: cannot read .*no-such-scene[.]3ds")

# PACK:ENTRY, on a pack of the seed folder made by packtool.
scenedump_cli_test(cli.scenedump_build_seed_pack
  "-DCOMMAND=$<TARGET_FILE:packtool>|build|${PROJECT_SOURCE_DIR}/fuzz/corpus|${scenedump_work}/seeds.dat"
  -DEXPECT_STATUS=0)
set_tests_properties(cli.scenedump_build_seed_pack PROPERTIES FIXTURES_SETUP scenedump_pack)

scenedump_cli_test(cli.scenedump_reads_a_pack_entry
  "-DCOMMAND=$<TARGET_FILE:scenedump>|${scenedump_work}/seeds.dat:scene3ds\\camera.3ds"
  -DEXPECT_STATUS=0 "-DEXPECT_OUTPUT=Cameras:\n  Cam  node 0 .*keys: position 1, target 1, roll 1, fov 1")
set_tests_properties(cli.scenedump_reads_a_pack_entry PROPERTIES FIXTURES_REQUIRED scenedump_pack)
