#!/bin/sh
# Fails when a tracked C++ source is not formatted as .clang-format says.
cd "$(dirname "$0")/.." || exit 1
git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
