# runeplay_content: the producers of the data pack (also linked by the tests);
# kelvra_gen: the deterministic generator that runs them. Sources are globbed per folder.
file(GLOB content_srcs CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/gen/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/music/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/pictures/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/scenes/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/shaders/*.cpp)
list(REMOVE_ITEM content_srcs ${CMAKE_CURRENT_SOURCE_DIR}/gen/main.cpp)
add_library(runeplay_content STATIC ${content_srcs})
# The pictures are painted while the project builds; unoptimised (Debug) that alone takes
# half a minute, so their sources are always compiled with optimisation.
file(GLOB picture_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/pictures/*.cpp)
set_source_files_properties(${picture_srcs} ${CMAKE_CURRENT_SOURCE_DIR}/gen/Image.cpp
  PROPERTIES COMPILE_OPTIONS -O2)
target_include_directories(runeplay_content PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(runeplay_content PUBLIC runeplay_assets runeplay_gfx_shader JPEG::JPEG
  ${MP3LAME_LIBRARY} PkgConfig::IMGUI)

add_executable(kelvra_gen ${CMAKE_CURRENT_SOURCE_DIR}/gen/main.cpp)
target_link_libraries(kelvra_gen PRIVATE runeplay_content)
set_target_properties(kelvra_gen PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Data the generator reads (shader sources, palettes); a change re-runs it.
file(GLOB_RECURSE gen_inputs CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/shaders/*.vsa ${CMAKE_CURRENT_SOURCE_DIR}/shaders/*.psa
  ${CMAKE_CURRENT_SOURCE_DIR}/data/*)

add_custom_command(
  OUTPUT ${RUNEPLAY_PLAY_DIR}/kelvra.dat ${RUNEPLAY_PLAY_DIR}/point.bmp
  COMMAND kelvra_gen ${CMAKE_CURRENT_SOURCE_DIR} ${RUNEPLAY_PLAY_DIR}
  DEPENDS kelvra_gen ${gen_inputs}
  COMMENT "Generating kelvra.dat and point.bmp"
  VERBATIM)
add_custom_target(kelvra_pack ALL DEPENDS ${RUNEPLAY_PLAY_DIR}/kelvra.dat ${RUNEPLAY_PLAY_DIR}/point.bmp)

# The soundtrack is synthesised at build time in every configuration. Its inner loops are
# optimised even in Debug builds, so a sanitizer build still generates the pack in seconds;
# the result is the same bytes either way (plain IEEE arithmetic, no contraction).
file(GLOB music_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/music/*.cpp)
set_source_files_properties(${music_srcs} PROPERTIES COMPILE_OPTIONS "-O2")
