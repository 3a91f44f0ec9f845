#!/bin/sh
# Every file the resource script names must be an input of the compiled resources in the build
# graph; otherwise editing it leaves the old copy inside the program.
# Usage: resource_deps_test.sh SOURCE_DIR BUILD_DIR
set -eu
src=$1
build=$2
named=$(sed -n 's/^[^"]*"\([^"]*\)".*/\1/p' "$src/resources/Tessel.rc")
if [ "$(printf '%s\n' "$named" | wc -l)" -lt 10 ]; then
  echo "the resource script names fewer files than it should: $named"
  exit 1
fi
inputs=$(ninja -C "$build" -t query resources/CMakeFiles/tessel_resources.dir/Tessel.rc.res)
missing=0
for file in $named; do
  if ! printf '%s\n' "$inputs" | grep -qF "$src/resources/$file"; then
    echo "not a build input of the resources: $file"
    missing=1
  fi
done
exit $missing
