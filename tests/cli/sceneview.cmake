# Command-line runs of sceneview on the generated pack (included by tests/CMakeLists.txt).
# Arguments of COMMAND are separated by "|".
if(TARGET sceneview AND TARGET kelvra_pack)
  set(sceneview_work ${CMAKE_BINARY_DIR}/tests/cli/sceneview)
  set(sceneview_pack ${RUNEPLAY_PLAY_DIR}/kelvra.dat)
  set(sceneview_check ${CMAKE_CURRENT_LIST_DIR}/scripts/run_and_check.cmake)

  function(sceneview_cli_test name)
    add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -DWORKDIR=${sceneview_work} ${ARGN}
                                  -P ${sceneview_check})
    set_tests_properties(${name} PROPERTIES TIMEOUT 60
      ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1")
  endfunction()

  sceneview_cli_test(cli.sceneview_renders_a_still
    "-DCOMMAND=$<TARGET_FILE:sceneview>|${sceneview_pack}:scene3\\scene123.3DS|--camera|2|--frame|200|--size|160x120|--out|${sceneview_work}/still.png"
    -DEXPECT_STATUS=0
    "-DEXPECT_OUTPUT=still[.]png: scene3.scene123[.]3DS, camera 2 \\(Cam02\\), frame 200, 160x120")

  # A camera the scene lacks would silently show another one.
  sceneview_cli_test(cli.sceneview_camera_past_the_count_is_refused
    "-DCOMMAND=$<TARGET_FILE:sceneview>|${sceneview_pack}:Scene2\\Scene.3ds|--camera|99|--size|64x48|--out|${sceneview_work}/none.png"
    -DEXPECT_STATUS=2
    "-DEXPECT_OUTPUT=--camera 99: Scene2.Scene[.]3ds has 6 cameras: 1 Cam01, 2 Cam02, 3 Cam03, 4 Cam04, 5 Cam05, 6 Cam06")

  sceneview_cli_test(cli.sceneview_last_camera
    "-DCOMMAND=$<TARGET_FILE:sceneview>|${sceneview_pack}:Scene2\\Scene.3ds|--camera|6|--size|64x48|--fog|0.0005,0x14140A|--out|${sceneview_work}/last.png"
    -DEXPECT_STATUS=0 "-DEXPECT_OUTPUT=camera 6 \\(Cam06\\)")

  sceneview_cli_test(cli.sceneview_help
    "-DCOMMAND=$<TARGET_FILE:sceneview>|--help" -DEXPECT_STATUS=0 "-DEXPECT_OUTPUT=^usage: sceneview")

  sceneview_cli_test(cli.sceneview_usage
    "-DCOMMAND=$<TARGET_FILE:sceneview>" -DEXPECT_STATUS=2 "-DEXPECT_OUTPUT=no scene given.*usage: sceneview")

  sceneview_cli_test(cli.sceneview_bad_option
    "-DCOMMAND=$<TARGET_FILE:sceneview>|${sceneview_pack}:Scene2\\Scene.3ds|--size|0x10"
    -DEXPECT_STATUS=2 "-DEXPECT_OUTPUT=--size needs WxH")

  sceneview_cli_test(cli.sceneview_missing_entry
    "-DCOMMAND=$<TARGET_FILE:sceneview>|${sceneview_pack}:Scene9\\none.3ds|--out|${sceneview_work}/none.png"
    -DEXPECT_STATUS=1 "-DEXPECT_OUTPUT=holds no entry Scene9.none[.]3ds")

  sceneview_cli_test(cli.sceneview_missing_pack
    "-DCOMMAND=$<TARGET_FILE:sceneview>|${sceneview_work}/no-such.dat:Scene2\\Scene.3ds|--out|${sceneview_work}/none.png"
    -DEXPECT_STATUS=1 "-DEXPECT_OUTPUT=cannot read the pack .*no-such[.]dat")
endif()

# Playing in a window under a virtual X server; skipped where xvfb-run is not installed.
if(TARGET sceneview AND TARGET kelvra_pack)
  add_test(NAME cli.sceneview_plays_in_a_window
    COMMAND sh -c "if ! command -v xvfb-run >/dev/null 2>&1; then echo 'xvfb-run is not installed: window test skipped'; exit 77; fi; exec xvfb-run -a -s '-screen 0 640x480x24' \"$0\" \"$1\" --play --size 320x240 --quit-after 30"
            $<TARGET_FILE:sceneview> "${RUNEPLAY_PLAY_DIR}/kelvra.dat:scene3\\scene123.3DS")
  set_tests_properties(cli.sceneview_plays_in_a_window PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 120 PASS_REGULAR_EXPRESSION "30 frames shown"
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1;SDL_AUDIODRIVER=dummy")
endif()
