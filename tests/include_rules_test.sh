#!/bin/sh
# Include rules of the source tree:
#  - parts depend only downward: common/ on nothing of ours, skinui/ on common/, browser/ on
#    skinui/ and common/, app/ on all three;
#  - the browser library's headers are included only through browser/CefLibrary.h;
#  - no header of ours includes <windowsx.h>, whose macros (GetNextSibling, SubclassWindow, ...)
#    break the library's headers and anything else that uses those names.
# Usage: include_rules_test.sh SOURCE_DIR
set -u
cd "$1" || exit 2
status=0
fail() {
  echo "$1"
  status=1
}
# The part a quoted include comes from: the folder that has the file.
part_of() {
  for part in common skinui browser app; do
    [ -f "$part/$1" ] && { echo "$part"; return; }
  done
  echo other
}
allowed() {
  case "$1:$2" in
    common:common | skinui:skinui | skinui:common | browser:browser | browser:skinui | \
      browser:common | app:*) return 0 ;;
    *:other) return 0 ;;
  esac
  return 1
}
for part in common skinui browser app; do
  for file in "$part"/*.h "$part"/*.cpp; do
    for included in $(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file"); do
      case "$included" in
        include/*)
          [ "$file" = browser/CefLibrary.h ] ||
            fail "$file includes the library's $included directly (use CefLibrary.h)"
          continue ;;
      esac
      from=$(part_of "$included")
      allowed "$part" "$from" || fail "$file ($part/) includes $included from $from/"
    done
  done
done
for header in common/*.h skinui/*.h browser/*.h app/*.h plugins/tcp/*.h installhelper/*.h; do
  grep -q '^#include <windowsx.h>' "$header" && fail "$header includes <windowsx.h>"
done
exit $status
