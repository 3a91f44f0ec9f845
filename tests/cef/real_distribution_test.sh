#!/bin/sh
# Configures the project against a made-up browser-library distribution of the 2454 Windows layout
# (empty files where binaries and resources go, a wrapper project defining an empty
# libcef_dll_wrapper): the layout is found and checked, and with the MinGW compiler the configure
# stops with the message that the real library needs MSVC. A tree lacking files is named as such.
# Usage: real_distribution_test.sh SOURCE_DIR BUILD_DIR
set -u
src=$1
build=$2
deps=$(sed -n 's/^TESSEL_DEPS_PREFIX:PATH=//p' "$build/CMakeCache.txt")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fake=$work/cef_binary_3.2454_windows32

mkdir -p "$fake/include/internal" "$fake/libcef_dll" "$fake/Resources/locales"
echo 'cmake_minimum_required(VERSION 3.20)' >"$fake/CMakeLists.txt"
: >"$fake/macros.cmake"
: >"$fake/include/cef_version.h"
: >"$fake/include/cef_app.h"
echo 'add_library(libcef_dll_wrapper INTERFACE)' >"$fake/libcef_dll/CMakeLists.txt"
for config in Release Debug; do
  mkdir -p "$fake/$config"
  for file in libcef.lib libcef.dll d3dcompiler_43.dll d3dcompiler_47.dll libEGL.dll libGLESv2.dll \
      natives_blob.bin snapshot_blob.bin wow_helper.exe; do
    : >"$fake/$config/$file"
  done
done
for file in cef.pak cef_100_percent.pak cef_200_percent.pak cef_extensions.pak \
    devtools_resources.pak icudtl.dat locales/zh-CN.pak; do
  : >"$fake/Resources/$file"
done

configure() {
  rm -rf "$work/build"
  cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-i686.cmake" \
    -DTESSEL_DEPS_PREFIX="$deps" -DTESSEL_CEF_ROOT="$fake" >"$work/out.txt" 2>&1
}
status=0
expect() {
  if ! grep -q "$1" "$work/out.txt"; then
    echo "the configure output lacks \"$1\":"
    cat "$work/out.txt"
    status=1
  fi
}

if configure; then
  echo "the configure against the made-up distribution succeeded with MinGW"
  status=1
fi
expect "layout checked"
expect "needs MSVC"

rm "$fake/Release/libcef.dll"
rm -r "$fake/Resources/locales"
if configure; then
  echo "the configure against an incomplete distribution succeeded"
  status=1
fi
expect "lacks"
expect "Release/libcef.dll"
expect "Resources/locales"
if grep -q "needs MSVC" "$work/out.txt"; then
  echo "an incomplete distribution was taken for a complete one"
  status=1
fi
exit $status
