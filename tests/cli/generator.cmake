# The generator run a second time, into a folder of its own, must write the very bytes the
# build wrote (included by tests/CMakeLists.txt).
if(TARGET kelvra_gen AND TARGET kelvra_pack)
  add_test(NAME cli.kelvra_gen_writes_the_same_bytes_again
    COMMAND ${CMAKE_COMMAND} -DGENERATOR=$<TARGET_FILE:kelvra_gen>
            -DCONTENT=${PROJECT_SOURCE_DIR}/content -DREFERENCE=${RUNEPLAY_PLAY_DIR}
            -DWORKDIR=${CMAKE_BINARY_DIR}/tests/cli/generate-again
            -P ${CMAKE_CURRENT_LIST_DIR}/scripts/generate_again.cmake)
  set_tests_properties(cli.kelvra_gen_writes_the_same_bytes_again PROPERTIES TIMEOUT 300
    ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1")
endif()
