# The web build (emcmake cmake): Emscripten's own SDL 1.2 on a canvas, and
# OpenGL through its emulation of the fixed-function calls on WebGL 1. The
# page's data files are packaged at TREVALIN_DATA_DIR in its virtual file
# system; the same folder holds the test programs' files.
set(TREVALIN_DATA_DIR /trevalin CACHE PATH "Folder of the page's virtual file system holding its data")

# SDL 1.2 comes with every Emscripten program, its headers on the default path.
add_library(PkgConfig::SDL INTERFACE IMPORTED)
add_library(OpenGL::GL INTERFACE IMPORTED)
target_link_options(OpenGL::GL INTERFACE -sLEGACY_GL_EMULATION=1 --js-library ${CMAKE_SOURCE_DIR}/src/web/gl.js)
set_property(TARGET OpenGL::GL APPEND PROPERTY INTERFACE_LINK_DEPENDS ${CMAKE_SOURCE_DIR}/src/web/gl.js)

# PNG files are decoded by stb_image, as on Windows: SDL_image's surfaces
# there are canvas images, which the texture code cannot read. Only the
# header is taken from the host, in a folder of its own.
find_file(STB_IMAGE_HEADER stb/stb_image.h PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
file(COPY ${STB_IMAGE_HEADER} DESTINATION ${CMAKE_BINARY_DIR}/stb/stb)
set(STB_INCLUDE_DIR ${CMAKE_BINARY_DIR}/stb)

# The reader's failures are exceptions; the loop waits for each frame by
# unwinding to the browser (asyncify), and the run's end is the page's.
add_compile_options(-fexceptions)
add_link_options(-fexceptions -sASYNCIFY -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1)

# The program reaches its frame wait by direct calls alone, so asyncify
# instruments only the functions on those paths instead of every function an
# indirect call might reach: a wasm half the size that runs faster. The tests
# keep it whole, as GoogleTest calls each test through a virtual function.
set(TREVALIN_WEB_ASYNCIFY -sASYNCIFY_IGNORE_INDIRECT)

# Each data file at its place under the data folder, for --preload-file.
# A target packaging them relinks when one changes.
set(TREVALIN_WEB_DATA "")
set(TREVALIN_WEB_DATA_FILES "")
foreach(file IN ITEMS Quenlith.app/Contents/Resources/texture1.png shader/basic.vert shader/basic.frag models/cat.ply)
  list(APPEND TREVALIN_WEB_DATA_FILES ${CMAKE_SOURCE_DIR}/${file})
  list(APPEND TREVALIN_WEB_DATA "SHELL:--preload-file ${CMAKE_SOURCE_DIR}/${file}@${TREVALIN_DATA_DIR}/${file}")
endforeach()

# The publishable page in site/: the page, the program's script and module,
# and its data package, nothing else.
function(trevalin_web_page target)
  set(site ${CMAKE_BINARY_DIR}/site)
  set_target_properties(${target} PROPERTIES SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${site})
  target_link_options(${target} PRIVATE ${TREVALIN_WEB_DATA} -sENVIRONMENT=web ${TREVALIN_WEB_ASYNCIFY})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${TREVALIN_WEB_DATA_FILES})
  set(page "")
  foreach(file IN ITEMS index.html page.js)
    add_custom_command(OUTPUT ${site}/${file}
      COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/src/web/${file} ${site}/${file}
      DEPENDS ${CMAKE_SOURCE_DIR}/src/web/${file})
    list(APPEND page ${site}/${file})
  endforeach()
  add_custom_target(${target}_page ALL DEPENDS ${page})
endfunction()

# A test program: the page's data, the bundle where the build stages it (the
# scene's tests read it there) and the PLY reader's seed files.
# Linked at -O1: the optimiser's passes over asyncify's output take ten
# times as long at higher levels, and tests gain nothing from them.
function(trevalin_web_test target)
  target_link_options(${target} PRIVATE -O1 ${TREVALIN_WEB_DATA}
    "SHELL:--preload-file ${CMAKE_SOURCE_DIR}/Quenlith.app@${CMAKE_BINARY_DIR}/Quenlith.app"
    "SHELL:--preload-file ${CMAKE_SOURCE_DIR}/fuzz/corpus@${CMAKE_SOURCE_DIR}/fuzz/corpus")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${TREVALIN_WEB_DATA_FILES})
endfunction()
