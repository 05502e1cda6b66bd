# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (the -posix
# variant: std::thread and std::mutex need its winpthread). Programs built
# here run through Wine, so try_run, ctest and gtest_discover_tests work on
# the Linux machine that builds them.
#
# TREVALIN_WINDOWS_DEPS: the prefix holding SDL 1.2 and GoogleTest built for
# Windows (scripts/test-windows.sh makes it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TREVALIN_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TREVALIN_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TREVALIN_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TREVALIN_MINGW}-windres)

# Passed on to try_compile projects, which read this file again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TREVALIN_WINDOWS_DEPS)
if(NOT TREVALIN_WINDOWS_DEPS AND DEFINED ENV{TREVALIN_WINDOWS_DEPS})
  set(TREVALIN_WINDOWS_DEPS $ENV{TREVALIN_WINDOWS_DEPS})
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${TREVALIN_MINGW} ${TREVALIN_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads the Windows prefix's .pc files only, never the host's.
if(TREVALIN_WINDOWS_DEPS)
  set(ENV{PKG_CONFIG_LIBDIR} ${TREVALIN_WINDOWS_DEPS}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
  set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
endif()

# zlib (for the tests' PNG writer) is linked in as well.
set(ZLIB_USE_STATIC_LIBS ON)

# The compiler's own run-time libraries are linked in, so that a program needs
# no DLL but SDL.dll beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -Wl,-Bstatic,--whole-archive -lwinpthread -Wl,--no-whole-archive,-Bdynamic")

# Wine finds SDL.dll on its search path; WINEDEBUG=-all keeps Wine's own
# notes off the programs' standard error, which tests read; mscoree and
# mshtml are off so that Wine never asks to install Mono or Gecko. Wine's
# prefix is kept beside the dependencies' prefix (made by its first run).
get_filename_component(TREVALIN_WINEPREFIX "${TREVALIN_WINDOWS_DEPS}/../wine" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR
    env WINEPREFIX=${TREVALIN_WINEPREFIX} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
        WINEPATH=Z:${TREVALIN_WINDOWS_DEPS}/bin wine)
