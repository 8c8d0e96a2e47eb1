# The setup dialog's window and full-screen switching under a virtual X server whose only
# mode is 640 x 480 (included by tests/CMakeLists.txt). Skipped, with a message, where
# xvfb-run is not installed.
set(xvfb_env "ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1;SDL_AUDIODRIVER=dummy;RUNEPLAY_XVFB=1")
set(xvfb_run "if ! command -v xvfb-run >/dev/null 2>&1; then echo 'xvfb-run is not installed: skipped'; exit 77; fi; exec xvfb-run -a -s '-screen 0 640x480x24' \"$0\" --gtest_filter=\"$1\"")
if(TARGET test_app)
  add_test(NAME app.dialog_under_xvfb
    COMMAND sh -c "${xvfb_run}" $<TARGET_FILE:test_app> "SetupDialogWindow.*")
  set_tests_properties(app.dialog_under_xvfb PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 120 ENVIRONMENT "${xvfb_env}")
endif()
if(TARGET test_platform)
  add_test(NAME platform.fullscreen_under_xvfb
    COMMAND sh -c "${xvfb_run}" $<TARGET_FILE:test_platform> "FullscreenUnderXvfb.*")
  set_tests_properties(platform.fullscreen_under_xvfb PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 120 ENVIRONMENT "${xvfb_env}")
endif()
