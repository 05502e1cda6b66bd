#!/usr/bin/env bash
# Cross-builds the program and its tests for 64-bit Windows with MinGW-w64 and
# runs the tests through Wine on a virtual X display. Debian 12, as root.
#
# The Windows dependencies are built once into build-windows/deps (SDL 1.2
# from Debian's source package, GoogleTest from Debian's googletest sources,
# Wine's prefix) and reused by later runs; delete the folder to build them
# again from nothing. Each step prints its time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
out="$root/build-windows"
deps="$out/deps"
prefix="$deps/win"  # what Windows programs link against and load
build="$out/build"
host=x86_64-w64-mingw32
toolchain="$root/cmake/mingw-w64.cmake"

[[ $(id -u) -eq 0 ]] || { echo "test-windows: needs root (apt-get)" >&2; exit 1; }

step "Packages"
packages=(
  cmake pkg-config dpkg-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64-dev libstb-dev
  wine wine64
  googletest
  zip unzip  # the zip a Windows user unpacks
  xvfb xauth xdotool x11-utils
  x11-apps imagemagick apitrace  # the end-to-end tests
)
need "${packages[@]}"
done_step

mkdir -p "$deps"

# Source packages come from the Debian archive this machine's apt sources
# name, through an apt configuration of our own with deb-src lines, so that
# the system's configuration stays as it is.
apt_source() {
  local package=$1 dest=$2 conf="$deps/apt"
  local archive codename
  archive=$(debian_archive) || return 1
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  mkdir -p "$conf/lists/partial" "$conf/cache/archives/partial" "$conf/parts"
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $archive $codename main" >"$conf/sources.list"
  # Root fetches: apt's own user may not reach the folder.
  local opts=(-o Dir::Etc::SourceList="$conf/sources.list" -o Dir::Etc::SourceParts="$conf/parts"
              -o Dir::State::Lists="$conf/lists" -o Dir::Cache="$conf/cache" -o APT::Sandbox::User=root)
  apt-get "${opts[@]}" update -q >/dev/null
  rm -rf "$dest" && mkdir -p "$dest"
  (cd "$dest" && apt-get "${opts[@]}" source -q --download-only "$package" >/dev/null 2>&1 &&
     dpkg-source -x ./*.dsc tree >/dev/null 2>&1)
}

# SDL 1.2 as a DLL. Without stdio redirection SDL leaves standard output and
# standard error alone (otherwise they go to stdout.txt and stderr.txt).
# sdl.pc links SDL alone; SDLmain is not used (the program's main is its
# own entry) and -mwindows is left out, so programs stay console programs.
if [[ ! -f $deps/sdl.done ]]; then
  step "SDL 1.2 from Debian's libsdl1.2 source, for $host"
  apt_source libsdl1.2 "$deps/src/sdl"
  rm -rf "$deps/build-sdl" && mkdir -p "$deps/build-sdl"
  sdl_flags=(--host="$host" --prefix="$prefix" --disable-stdio-redirect --disable-static)
  echo "   configure ${sdl_flags[*]}"
  (cd "$deps/build-sdl" &&
     "$deps/src/sdl/tree/configure" "${sdl_flags[@]}" >configure.log 2>&1 &&
     make -j"$(nproc)" >make.log 2>&1 &&
     make install >install.log 2>&1) ||
    { echo "test-windows: SDL's build failed; see $deps/build-sdl/*.log" >&2; exit 1; }
  ls "$prefix/bin/SDL.dll" >/dev/null
  echo "${sdl_flags[*]}" >"$deps/sdl.done"
  done_step
else
  echo "== SDL 1.2 for $host: kept from an earlier run ($prefix/bin/SDL.dll)"
fi

if [[ ! -f $deps/gtest.done ]]; then
  step "GoogleTest from /usr/src/googletest, for $host"
  gtest_flags=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTREVALIN_WINDOWS_DEPS="$prefix"
               -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=ON)
  rm -rf "$deps/build-gtest"
  (cmake -S /usr/src/googletest -B "$deps/build-gtest" "${gtest_flags[@]}" >"$deps/gtest-configure.log" 2>&1 &&
     cmake --build "$deps/build-gtest" -j"$(nproc)" >"$deps/gtest-build.log" 2>&1 &&
     cmake --install "$deps/build-gtest" >"$deps/gtest-install.log" 2>&1) ||
    { echo "test-windows: GoogleTest's build failed; see $deps/gtest-*.log" >&2; exit 1; }
  echo "${gtest_flags[*]}" >"$deps/gtest.done"
  done_step
else
  echo "== GoogleTest for $host: kept from an earlier run"
fi

# stb_image decodes PNG on Windows (SDL_image 1.2 has no source here); its
# header is put where the cross-build looks, never the host's /usr/include.
mkdir -p "$prefix/include/stb"
cp /usr/include/stb/stb_image.h "$prefix/include/stb/"

# The environment the toolchain file's emulator gives programs; the same
# for the programs this script starts itself.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPATH="Z:$prefix/bin"
# Two prefixes: the unit tests share one wineserver on the suite's display;
# the end-to-end tests start one per start, on each case's own display.
for name in wine wine-e2e; do
  [[ ! -f $deps/$name.done ]] || continue
  step "Wine prefix $name"
  rm -rf "${deps:?}/$name"
  WINEPREFIX="$deps/$name" wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX="$deps/$name" wineserver -w
  [[ -f $deps/$name/system.reg ]] || { echo "test-windows: Wine made no prefix in $deps/$name" >&2; exit 1; }
  touch "$deps/$name.done"
  done_step
done
export WINEPREFIX="$deps/wine"
echo "   $(wine --version)"

step "Cross-build of the program and its tests"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTREVALIN_WINDOWS_DEPS="$prefix" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTREVALIN_BENCHMARKS=OFF \
  -DCMAKE_COMPILE_WARNING_AS_ERROR="${TREVALIN_WERROR:-OFF}" >/dev/null
cmake --build "$build" -j"$(nproc)"
done_step

# One wineserver for the whole run: each program then starts in a tenth of
# a second instead of two or three. The end-to-end tests start their own.
step "Tests through Wine on a virtual X display"
status=0
run_tests "$build" "${virtual_display[@]}" sh -c '
  wineserver -p
  wine tools/gl_info.exe | sed "s/^/   /"
  "$@"
  status=$?
  wineserver -k
  exit $status' sh || status=$?
done_step
((status == 0)) || { echo "== Windows tests FAILED" >&2; exit 1; }

# What a Windows user unpacks: the program, the DLLs it needs that Windows
# lacks, and its data beside it.
step "Zip"
zip="$out/trevalin-windows.zip" stage="$out/zip/trevalin"
rm -rf "$out/zip" "$zip" && mkdir -p "$stage"
cp "$build/trevalin.exe" "$prefix/bin/SDL.dll" "$stage/"
for file in shader/basic.vert shader/basic.frag models/cat.ply Quenlith.app/Contents/Resources/texture1.png; do
  mkdir -p "$stage/${file%/*}" && cp "$build/$file" "$stage/$file"
done
(cd "$out/zip" && zip -qr "$zip" trevalin)
e2e="$deps/wine-e2e" unpacked="$deps/wine-e2e/drive_c/trevalin"
rm -rf "$unpacked" && unzip -q "$zip" -d "$e2e/drive_c"
for dll in $(x86_64-w64-mingw32-objdump -p "$unpacked"/*.exe "$unpacked"/*.dll | awk '/DLL Name:/ { print $3 }' | sort -u); do
  [[ -n $(find "$unpacked" "$e2e/drive_c/windows/system32" -maxdepth 1 -iname "$dll") ]] ||
    { echo "test-windows: the zip lacks $dll" >&2; exit 1; }
done
echo "   $zip: $(unzip -Z1 "$zip" | grep -vc '/$') files, $(du -k "$zip" | cut -f1) KiB"
done_step

# Unpacked on Wine's C: drive and started there, as on a machine without the
# build: in a private mount namespace, the folder holding the source tree
# (Wine reads /work/... as a Linux path) is hidden and the prefix is reached
# from elsewhere, so that the shaders and the model come from beside the
# program and SDL.dll from the zip alone.
step "The zip's program, started on C: without the source tree"
if why=$(unshare -m true 2>&1); then
  hide=${root%/*} away=$(mktemp -d)
  mkdir "$away/wine" "$away/tests" "$away/scripts" && cp "$root/scripts/lib.sh" "$away/scripts/"
  cp "$root/tests/program_test.sh" "$away/tests/"
  unshare -m sh -c 'mount --bind "$1" "$2/wine" && mount -t tmpfs none "$3" && shift 3 && exec "$@"' sh \
    "$e2e" "$away" "$hide" bash "$away/tests/program_test.sh" "$away/wine/drive_c/trevalin/trevalin.exe" \
    C:/trevalin quit_with_q env -u WINEPATH WINEPREFIX="$away/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wine ||
    { rm -rf "$away"; echo "== The unpacked zip FAILED" >&2; exit 1; }
  rm -rf "$away"
  echo "   passed: it read its data from C:/trevalin, and q ended it with status 0"
else
  echo "   skipped: needs a private mount namespace to hide the source tree: $why"
fi
done_step
echo "== Windows tests passed"
