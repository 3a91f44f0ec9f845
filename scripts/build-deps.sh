#!/usr/bin/env bash
# Builds the third-party libraries for 32-bit Windows from Debian's source packages into a cache
# folder keyed by the package versions, the compiler and this script, and prints that folder.
# A warm run finds the folder complete and rebuilds nothing.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cache_root=${TESSEL_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tessel-deps}
toolchain="$here/../cmake/mingw-w64-i686.cmake"
jobs=${TESSEL_JOBS:-2}

source_version() { apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ {print $2; exit}'; }
gtest_version() { dpkg-query -W -f='${Version}' googletest; }

curl_v=$(source_version curl)
cjson_v=$(source_version cjson)
tinyxml_v=$(source_version tinyxml)
gtest_v=$(gtest_version)
if [ -z "$curl_v" ] || [ -z "$cjson_v" ] || [ -z "$tinyxml_v" ] || [ -z "$gtest_v" ]; then
  echo "build-deps: source package versions not found; run scripts/install-prereqs.sh" >&2
  exit 1
fi
cc_v=$(i686-w64-mingw32-g++-posix -dumpfullversion)
key=$(printf '%s\n' "curl=$curl_v" "cjson=$cjson_v" "tinyxml=$tinyxml_v" "gtest=$gtest_v" \
  "gcc=$cc_v" "$(sha256sum "$0" "$toolchain" | cut -d' ' -f1)" | sha256sum | cut -c1-16)
prefix="$cache_root/$key"

if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$prefix"
mkdir -p "$prefix/include" "$prefix/lib"
log="$work/build.log"

fetch() { (cd "$work" && apt-get source -qq "$1=$2" >>"$log" 2>&1) || {
  cat "$log" >&2
  exit 1
}; }

# libcurl hands the write callback at most CURL_MAX_WRITE_SIZE bytes at a time (16 KiB by default),
# which a download would copy into blocks of its own; at the receive buffer's size each received
# block reaches the callback whole and is written straight to disk.
curl_max_write=2097152
# Built with libcurl's usual protocols (file, ftp, dict, telnet and others), as a distributed
# libcurl is: the program must restrict every transfer to http and https itself.

build_curl() {
  fetch curl "$curl_v"
  local src
  src=$(find "$work" -maxdepth 1 -type d -name 'curl-*' | head -n1)
  cmake -S "$src" -B "$work/curl-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF \
    -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF \
    -DUSE_LIBIDN2=OFF -DUSE_NGHTTP2=OFF -DCURL_USE_LIBPSL=OFF -DCURL_DISABLE_LDAP=ON \
    -DENABLE_MANUAL=OFF -DCMAKE_C_FLAGS="-DCURL_MAX_WRITE_SIZE=$curl_max_write" \
    >>"$log" 2>&1
  cmake --build "$work/curl-build" -j "$jobs" >>"$log" 2>&1
  cmake --install "$work/curl-build" >>"$log" 2>&1
}

build_cjson() {
  fetch cjson "$cjson_v"
  local src
  src=$(find "$work" -maxdepth 1 -type d -name 'cjson-*' | head -n1)
  i686-w64-mingw32-gcc-posix -O2 -c "$src/cJSON.c" -o "$work/cJSON.o"
  i686-w64-mingw32-ar rcs "$prefix/lib/libcjson.a" "$work/cJSON.o"
  mkdir -p "$prefix/include/cjson"
  cp "$src/cJSON.h" "$prefix/include/cjson/"
}

build_tinyxml() {
  fetch tinyxml "$tinyxml_v"
  local src objs=()
  src=$(find "$work" -maxdepth 1 -type d -name 'tinyxml-*' | head -n1)
  for f in tinyxml tinystr tinyxmlerror tinyxmlparser; do
    i686-w64-mingw32-g++-posix -O2 -DTIXML_USE_STL -c "$src/$f.cpp" -o "$work/$f.o"
    objs+=("$work/$f.o")
  done
  i686-w64-mingw32-ar rcs "$prefix/lib/libtinyxml.a" "${objs[@]}"
  cp "$src/tinyxml.h" "$src/tinystr.h" "$prefix/include/"
}

build_gtest() {
  cmake -S /usr/src/googletest -B "$work/gtest-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=ON \
    -Dgtest_disable_pthreads=ON >>"$log" 2>&1
  cmake --build "$work/gtest-build" -j "$jobs" >>"$log" 2>&1
  cmake --install "$work/gtest-build" >>"$log" 2>&1
}

for step in build_cjson build_tinyxml build_gtest build_curl; do
  echo "build-deps: $step" >&2
  "$step" || {
    tail -n 60 "$log" >&2
    exit 1
  }
done
touch "$prefix/.complete"
echo "$prefix"
