#!/usr/bin/env bash
# Fetches the sources of cJSON and TinyXML from Debian's source packages into a cache folder keyed
# by their versions, and prints that folder: the native build of the parsers compiles them with
# the sanitizers. A warm run finds the folder complete and fetches nothing.
set -euo pipefail

cache_root=${TESSEL_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tessel-deps}
source_version() { apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ {print $2; exit}'; }

cjson_v=$(source_version cjson)
tinyxml_v=$(source_version tinyxml)
if [ -z "$cjson_v" ] || [ -z "$tinyxml_v" ]; then
  echo "fuzz-sources: source package versions not found; run scripts/install-prereqs.sh" >&2
  exit 1
fi
folder="$cache_root/sources-$(printf '%s\n' "$cjson_v" "$tinyxml_v" | sha256sum | cut -c1-16)"
if [ -f "$folder/.complete" ]; then
  echo "$folder"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source -qq "cjson=$cjson_v" "tinyxml=$tinyxml_v" >"$work/log" 2>&1) || {
  cat "$work/log" >&2
  exit 1
}
rm -rf "$folder"
mkdir -p "$folder/cjson" "$folder/tinyxml"
cp "$(find "$work" -maxdepth 1 -type d -name 'cjson-*' | head -n1)"/cJSON.[ch] "$folder/cjson/"
src=$(find "$work" -maxdepth 1 -type d -name 'tinyxml-*' | head -n1)
cp "$src"/tinyxml.cpp "$src"/tinystr.cpp "$src"/tinyxmlerror.cpp "$src"/tinyxmlparser.cpp \
  "$src"/tinyxml.h "$src"/tinystr.h "$folder/tinyxml/"
touch "$folder/.complete"
echo "$folder"
