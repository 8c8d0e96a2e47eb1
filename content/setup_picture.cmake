# The setup dialog's picture, painted by the content generator and compiled into the program
# as a generated source (runeplay_setup_picture, linked by runeplay_app).
add_executable(setup_picture_gen ${CMAKE_CURRENT_SOURCE_DIR}/setup/main.cpp)
target_link_libraries(setup_picture_gen PRIVATE runeplay_content)
set_target_properties(setup_picture_gen PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

set(setup_picture_src ${CMAKE_BINARY_DIR}/generated/SetupPictureData.cpp)
add_custom_command(
  OUTPUT ${setup_picture_src}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND setup_picture_gen ${setup_picture_src}
  DEPENDS setup_picture_gen
  COMMENT "Painting the setup dialog's picture"
  VERBATIM)
add_library(runeplay_setup_picture STATIC ${setup_picture_src})
target_link_libraries(runeplay_app PUBLIC runeplay_setup_picture)
