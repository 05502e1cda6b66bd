# Desktop integration. The icons are made by tools/make_icon and committed,
# as the model and the texture are, so that installing needs no generator run.
set(TREVALIN_APP_ID example.trevalin.Trevalin)
install(FILES desktop/${TREVALIN_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES desktop/${TREVALIN_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY desktop/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES desktop/trevalin.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The committed icons are what the generator makes today.
if(TREVALIN_TESTS)
  # A cross-built generator runs through the build's emulator (Wine).
  list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " emulator)
  add_test(NAME icons_match_generator
           COMMAND ${CMAKE_COMMAND} -DGENERATOR=$<TARGET_FILE:make_icon> "-DEMULATOR=${emulator}"
                   -DCOMMITTED=${CMAKE_CURRENT_SOURCE_DIR}/desktop/icons/hicolor
                   -DSCRATCH=${CMAKE_CURRENT_BINARY_DIR}/icons-check
                   -P ${CMAKE_CURRENT_LIST_DIR}/CheckIcons.cmake)
endif()
