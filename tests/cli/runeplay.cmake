# Command-line runs of runeplay and packtool (included by tests/CMakeLists.txt).
# Arguments of COMMAND are separated by "|".
set(cli_work ${CMAKE_BINARY_DIR}/tests/cli)
set(cli_check ${CMAKE_CURRENT_LIST_DIR}/scripts/run_and_check.cmake)
set(cli_env "ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1;SDL_AUDIODRIVER=dummy")
set(mini_pack ${cli_work}/mini.dat)
set(build_mini_pack "$<TARGET_FILE:packtool>|build|${RUNEPLAY_TEST_DATA}/minipack|${mini_pack}")

function(runeplay_cli_test name)
  add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} ${ARGN} -P ${cli_check})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${cli_env}" TIMEOUT 120)
endfunction()

# The small pack the runs below play, built once from tests/data/minipack.
runeplay_cli_test(cli.build_mini_pack "-DCOMMAND=${build_mini_pack}" -DWORKDIR=${cli_work}
  -DEXPECT_STATUS=0)
set_tests_properties(cli.build_mini_pack PROPERTIES FIXTURES_SETUP mini_pack)

# Runs of the whole presentation need the generated pack with every picture the load routine
# reads; until the pack holds them the runs are skipped.
set(full_pack ${RUNEPLAY_PLAY_DIR}/kelvra.dat)
set(full_pack_check "-DPACKTOOL=$<TARGET_FILE:packtool>" -DPACK=${full_pack}
  "-DNEEDS_ENTRY=!textures\\yeld.jpg")

runeplay_cli_test(cli.runeplay_headless_quits_after_frames -DWORKDIR=${cli_work} ${full_pack_check}
  "-DCOMMAND=$<TARGET_FILE:runeplay>|--headless|--audio|none|--pack|${full_pack}|--quit-after-frames|5"
  -DEXPECT_STATUS=0 "-DREJECT_OUTPUT=Error")

runeplay_cli_test(cli.runeplay_escape_at_soundtrack_time -DWORKDIR=${cli_work} ${full_pack_check}
  "-DCOMMAND=$<TARGET_FILE:runeplay>|--headless|--audio=none|--pack=${full_pack}|--start|0:00.700|--escape-at|0:00.800"
  -DEXPECT_STATUS=0)

# A start late in the show first moves it there as a 60 fps run from the start has it.
runeplay_cli_test(cli.runeplay_start_late_catches_up -DWORKDIR=${cli_work} ${full_pack_check}
  "-DCOMMAND=$<TARGET_FILE:runeplay>|--headless|--audio|none|--pack|${full_pack}|--start|3:10|--escape-at|3:10.500"
  -DEXPECT_STATUS=0 "-DEXPECT_OUTPUT=the show starts at 3:10.000 .soundtrack byte 33516000."
  "-DREJECT_OUTPUT=Error")

# SDL output on its dummy driver (set in the environment above) or, without any, the fallback.
runeplay_cli_test(cli.runeplay_headless_sdl_audio -DWORKDIR=${cli_work} ${full_pack_check}
  "-DCOMMAND=$<TARGET_FILE:runeplay>|--headless|--audio|sdl|--pack|${full_pack}|--escape-at|11025"
  -DEXPECT_STATUS=0)

set_tests_properties(cli.runeplay_headless_quits_after_frames cli.runeplay_escape_at_soundtrack_time
  cli.runeplay_start_late_catches_up cli.runeplay_headless_sdl_audio
  PROPERTIES SKIP_REGULAR_EXPRESSION "SKIPPED:")

# Without the pictures the load routine reads, the pack reports the first one missing.
runeplay_cli_test(cli.runeplay_pack_without_pictures -DWORKDIR=${cli_work}
  "-DCOMMAND=$<TARGET_FILE:runeplay>|--headless|--audio|none|--pack|${mini_pack}|--quit-after-frames|5"
  -DEXPECT_STATUS=3 "-DEXPECT_OUTPUT=Error!!!: .*fade\\.pso")
set_tests_properties(cli.runeplay_pack_without_pictures PROPERTIES FIXTURES_REQUIRED mini_pack)

runeplay_cli_test(cli.runeplay_damaged_pack
  -DWRITE_FILE=${cli_work}/damaged.dat "-DWRITE_TEXT=XXXXXXXXXXXXXXXX" -DWORKDIR=${cli_work}
  "-DCOMMAND=$<TARGET_FILE:runeplay>|--headless|--audio|none|--pack|${cli_work}/damaged.dat"
  -DEXPECT_STATUS=3
  "-DEXPECT_OUTPUT=Error!!!: The pack file \"[^\"]*damaged\\.dat\" is damaged: an entry count of 1482184792")

runeplay_cli_test(cli.runeplay_missing_pack
  -DWORKDIR=${cli_work}/empty-folder
  "-DCOMMAND=$<TARGET_FILE:runeplay>|--headless|--audio|none"
  -DEXPECT_STATUS=3
  "-DEXPECT_OUTPUT=Error!!!: Cannot open the pack file \"kelvra\\.dat\": No such file")

runeplay_cli_test(cli.runeplay_unknown_option
  "-DCOMMAND=$<TARGET_FILE:runeplay>|--frobnicate"
  -DEXPECT_STATUS=2 "-DEXPECT_OUTPUT=unknown option --frobnicate.*usage: runeplay")

runeplay_cli_test(cli.runeplay_help
  "-DCOMMAND=$<TARGET_FILE:runeplay>|--help"
  -DEXPECT_STATUS=0 "-DEXPECT_OUTPUT=usage: runeplay")

add_test(NAME cli.packtool_roundtrip COMMAND ${CMAKE_COMMAND}
  -DPACKTOOL=$<TARGET_FILE:packtool> -DSOURCE=${RUNEPLAY_TEST_DATA}/minipack
  -DWORKDIR=${cli_work}/roundtrip -P ${CMAKE_CURRENT_LIST_DIR}/scripts/packtool_roundtrip.cmake)
set_tests_properties(cli.packtool_roundtrip PROPERTIES ENVIRONMENT "${cli_env}")

runeplay_cli_test(cli.packtool_help
  "-DCOMMAND=$<TARGET_FILE:packtool>|--help" -DEXPECT_STATUS=0 "-DEXPECT_OUTPUT=^usage: packtool")

if(TARGET segmentview)
  runeplay_cli_test(cli.segmentview_help
    "-DCOMMAND=$<TARGET_FILE:segmentview>|--help" -DEXPECT_STATUS=0
    "-DEXPECT_OUTPUT=^usage: segmentview")
endif()

runeplay_cli_test(cli.packtool_list_damaged
  -DWRITE_FILE=${cli_work}/damaged-list.dat "-DWRITE_TEXT=XXXXXXXX" -DWORKDIR=${cli_work}
  "-DCOMMAND=$<TARGET_FILE:packtool>|list|${cli_work}/damaged-list.dat"
  -DEXPECT_STATUS=1 "-DEXPECT_OUTPUT=packtool: the pack file .* is damaged")

# Without a display the setup dialog cannot open: the run ends with a clear report that
# points at --headless, instead of playing invisibly (SDL would fall back to its offscreen
# driver). With the dialog skipped, the window is what cannot open.
runeplay_cli_test(cli.runeplay_without_display
  "-DCOMMAND=$<TARGET_FILE:runeplay>|--audio|none|--pack|${mini_pack}|--quit-after-frames|5"
  -DWORKDIR=${cli_work} -DEXPECT_STATUS=3
  "-DEXPECT_OUTPUT=Cannot open the setup dialog: no display found.*runeplay --headless")
runeplay_cli_test(cli.runeplay_without_display_no_dialog
  "-DCOMMAND=$<TARGET_FILE:runeplay>|--no-dialog|--audio|none|--pack|${mini_pack}|--quit-after-frames|5"
  -DWORKDIR=${cli_work} -DEXPECT_STATUS=3 "-DEXPECT_OUTPUT=Cannot open the window: no display found")
set_tests_properties(cli.runeplay_without_display cli.runeplay_without_display_no_dialog PROPERTIES
  ENVIRONMENT "${cli_env};DISPLAY=;WAYLAND_DISPLAY=;SDL_VIDEODRIVER="
  FIXTURES_REQUIRED mini_pack)
