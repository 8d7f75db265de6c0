#!/usr/bin/env bash
# Writes the Debian packages of an already built tree to a folder:
#   scripts/make-packages.sh BUILD-DIR OUT-DIR
# Used by scripts/package.sh and by the installation test.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: scripts/make-packages.sh BUILD-DIR OUT-DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)

work=$(mktemp -d "$build/cpack.XXXXXX")
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work" > "$work.log" 2>&1 || {
  cat "$work.log" >&2
  rm -f "$work.log"
  exit 1
}
rm -f "$work.log"
rm -f "$out"/solwire_*.deb "$out"/solwire-cli_*.deb "$out"/solwire*-dbgsym_*.ddeb
find "$work" -maxdepth 1 -type f \( -name '*.deb' -o -name '*.ddeb' \) -exec mv -t "$out" {} +
ls "$out"/solwire*_*.deb
