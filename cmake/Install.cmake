# Install rules: the program in the binary folder, its data (shaders, model,
# the bundle with the texture) in share/trevalin, and the desktop files
# (menu entry, icons, AppStream metainfo, manual page: cmake/Desktop.cmake). The program reads its
# data from TREVALIN_DATA_DIR, fixed at build time: an installing build sets
# it to the installed data folder, e.g.
#   cmake -DCMAKE_INSTALL_PREFIX=/usr -DTREVALIN_DATA_DIR=/usr/share/trevalin
include(GNUInstallDirs)

if(NOT IS_ABSOLUTE "${TREVALIN_DATA_DIR}")
  message(FATAL_ERROR "TREVALIN_DATA_DIR must be an absolute path, not '${TREVALIN_DATA_DIR}'")
endif()

set(TREVALIN_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/trevalin)

install(TARGETS trevalin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES shader/basic.vert shader/basic.frag DESTINATION ${TREVALIN_INSTALL_DATADIR}/shader)
install(FILES models/cat.ply DESTINATION ${TREVALIN_INSTALL_DATADIR}/models)
install(FILES Quenlith.app/Contents/Resources/texture1.png
        DESTINATION ${TREVALIN_INSTALL_DATADIR}/Quenlith.app/Contents/Resources)

# A program built to read the source tree would break once that is gone: say
# so where the install happens.
install(CODE "
  set(installed \"\${CMAKE_INSTALL_PREFIX}/${TREVALIN_INSTALL_DATADIR}\")
  if(IS_ABSOLUTE \"${TREVALIN_INSTALL_DATADIR}\")
    set(installed \"${TREVALIN_INSTALL_DATADIR}\")
  endif()
  get_filename_component(installed \"\${installed}\" REALPATH)
  get_filename_component(reads \"${TREVALIN_DATA_DIR}\" REALPATH)
  if(NOT installed STREQUAL reads)
    message(WARNING \"trevalin reads its data from ${TREVALIN_DATA_DIR}, not from \${installed}: configure with -DTREVALIN_DATA_DIR=\${installed} to run it without the source tree\")
  endif()")

include(${CMAKE_CURRENT_LIST_DIR}/Desktop.cmake)
