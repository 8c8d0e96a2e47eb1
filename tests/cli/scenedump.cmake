# Command-line runs of scenedump on the committed seed scenes (included by tests/CMakeLists.txt).
set(scenedump_seeds ${PROJECT_SOURCE_DIR}/fuzz/corpus/scene3ds)

add_test(NAME cli.scenedump_lists_a_scene COMMAND scenedump ${scenedump_seeds}/full.3ds)
set_tests_properties(cli.scenedump_lists_a_scene PROPERTIES
  PASS_REGULAR_EXPRESSION
  "2 meshes \\(1 emitters\\), 1 keyframer-only objects.*Node tree:\n  Box \\(0\\)\n  [$][$][$]DUMMY \\(1\\)\n    emitter01 \\(2\\)\n")

add_test(NAME cli.scenedump_reports_a_damaged_scene COMMAND scenedump ${scenedump_seeds}/truncated.3ds)
set_tests_properties(cli.scenedump_reports_a_damaged_scene PROPERTIES
  PASS_REGULAR_EXPRESSION
  "truncated[.]3ds at byte 2: main chunk length 1725 runs past the end of the file \\(862 bytes\\)")

add_test(NAME cli.scenedump_missing_file COMMAND scenedump ${scenedump_seeds}/no-such-scene.3ds)
set_tests_properties(cli.scenedump_missing_file PROPERTIES WILL_FAIL TRUE)
