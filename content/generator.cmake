# kelvra_gen: the deterministic generator of the data pack. Sources are globbed per folder.
file(GLOB gen_srcs CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/gen/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/music/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/pictures/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/scenes/*.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/shaders/*.cpp)
add_executable(kelvra_gen ${gen_srcs})
target_include_directories(kelvra_gen PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(kelvra_gen PRIVATE runeplay_assets runeplay_gfx_shader JPEG::JPEG
  ${MP3LAME_LIBRARY} PkgConfig::IMGUI)
set_target_properties(kelvra_gen PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Data the generator reads (shader sources, palettes, fonts list); a change re-runs it.
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
