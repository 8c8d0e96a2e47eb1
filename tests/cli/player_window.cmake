# The player in its real window under a virtual X server (included by tests/CMakeLists.txt):
# overlay, screenshots, the timeline bar and full screen switching. Skipped, with a message,
# where xvfb-run is not installed.
if(TARGET test_app)
  add_test(NAME app.player_under_xvfb
    COMMAND sh -c "if ! command -v xvfb-run >/dev/null 2>&1; then echo 'xvfb-run is not installed: skipped'; exit 77; fi; exec xvfb-run -a -s '-screen 0 640x480x24' \"$0\" --gtest_filter='PlayerWindow.*:ShowInWindow.*'"
            $<TARGET_FILE:test_app>)
  set_tests_properties(app.player_under_xvfb PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 180
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1;SDL_AUDIODRIVER=dummy;RUNEPLAY_XVFB=1")
endif()
