#!/bin/bash
# Fills an install folder of one's own with what the build ships: the
# programs and the control from the build's install folder (as files), its
# pictures, and the pages, pictures and tables of resources/. Never what a
# run wrote into the build's install folder (settings with their enciphered
# passwords, logs, history, preferences, the installation identifiers,
# refreshed content pages): a new folder starts as a first run.
#   copy-install.sh FROM TO
# FROM is the build's install folder. Programs and the control are replaced
# in TO, so that TO runs the latest build; shipped pages, pictures and tables
# are only added where TO does not have them yet, since a run may have
# written newer ones there.
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: copy-install.sh FROM TO" >&2
  exit 2
fi
from="$1"
to="$2"
resources="$(cd "$(dirname "$0")/.." && pwd)/resources"
mkdir -p "$to"

# The programs and the control, as files of TO even where FROM holds a link
# into a build: a program works in the folder of its own file, and TO keeps
# working when the build is gone. A program running from TO keeps its file
# (cp -f makes a new one when the old cannot be written).
for program in Lanternbay LanternbayLauncher Vantrell BRTWRL Navigator automation-browser Tiraleaf.so; do
  if [ -e "$from/$program" ]; then
    cp -L -f "$from/$program" "$to/$program"
  fi
done
if [ -d "$from/tiraleaf-images" ]; then
  mkdir -p "$to/tiraleaf-images"
  cp -R -f "$from/tiraleaf-images/." "$to/tiraleaf-images/"
fi

# ship SOURCE_FOLDER TARGET_FOLDER [NAME_PATTERN...]: the files of a
# resources folder (all of them, or those matching one of the patterns),
# keeping their places below it.
ship() {
  local source="$1" target="$2"
  shift 2
  [ -d "$source" ] || return 0
  local filter=()
  if [ $# -gt 0 ]; then
    filter=(\()
    for pattern in "$@"; do
      [ ${#filter[@]} -gt 1 ] && filter+=(-o)
      filter+=(-name "$pattern")
    done
    filter+=(\))
  fi
  mkdir -p "$target"
  (cd "$source" && find . -type f "${filter[@]}" -print0 | xargs -0 -r cp -n --parents -t "$target")
}

ship "$resources/content" "$to/content"
ship "$resources/brtw" "$to/brtw"
ship "$resources/usercolors" "$to/usercolors" '*.bmp'
ship "$resources/portal" "$to" '*.ico' '*.bmp' '*.versions'
ship "$resources/images" "$to" 'Roamledger.ico'
ship "$resources/versions" "$to" 'Roamledger.versions'
