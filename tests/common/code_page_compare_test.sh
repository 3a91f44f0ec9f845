#!/bin/sh
# The native build's code-page conversions against Windows' (under Wine, code page 936): every
# character of the code page, every character of the Basic Multilingual Plane both ways, and
# short UTF-8 byte pairs must convert alike.
#   code_page_compare_test.sh BUILD
build=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$build/wine-run.sh" "$build/bin/code_page_dump.exe" | tr -d '\r' >"$dir/windows.txt" || exit 1
"$build/fuzz/code_page_dump" >"$dir/native.txt" || exit 1
lines=$(wc -l <"$dir/windows.txt")
if [ "$lines" -lt 98000 ]; then
  echo "the Windows dump is incomplete: $lines lines"
  exit 1
fi
if ! diff "$dir/windows.txt" "$dir/native.txt" >"$dir/diff.txt"; then
  echo "the conversions differ (Windows <, native >):"
  head -n 40 "$dir/diff.txt"
  exit 1
fi
echo "all $lines conversions agree"
