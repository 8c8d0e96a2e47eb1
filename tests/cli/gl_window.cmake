# Presenting into a real window under a virtual X server (included by tests/CMakeLists.txt).
# Skipped, with a message, where xvfb-run is not installed.
if(TARGET test_gfx_gl)
  add_test(NAME gfx_gl.window_under_xvfb
    COMMAND sh -c "if ! command -v xvfb-run >/dev/null 2>&1; then echo 'xvfb-run is not installed: window test skipped'; exit 77; fi; exec xvfb-run -a -s '-screen 0 640x480x24' \"$0\" --gtest_filter='Window.*'"
            $<TARGET_FILE:test_gfx_gl>)
  set_tests_properties(gfx_gl.window_under_xvfb PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 120
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1;SDL_AUDIODRIVER=dummy")
endif()
