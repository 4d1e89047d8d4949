#!/bin/bash
# Sets up, builds and starts the main program: the Lanternbay portal, as
# started by hand, in its install folder build/install (or the folder given
# as argument, which gets the installed files it does not have yet). The
# build fills the install folder (programs, content pages, pictures, the
# Tiraleaf control); set-up registers the control there; the portal then
# writes its log, preferences, content pages and the tracker's settings
# into it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${RL_BUILD_DIR:-$root/build}"
install="${1:-$build/install}"
bash "$root/scripts/setup.sh"
RL_BUILD_DIR="$build" bash "$root/scripts/build.sh"
if [ "$(realpath -m "$install")" != "$(realpath -m "$build/install")" ]; then
  mkdir -p "$install"
  cp -R -n "$build/install/." "$install/"
fi
# The tracker window starts Navigator from the install folder; Navigator
# drives the browser program installed beside it.
cp -f "$build/navigator/Navigator" "$build/navigator/automation-browser" "$install/"
"$build/portal/lanternbay-install" "$install"
cd "$install"
# Any argument means a start by hand: the window opens at once.
exec ./Lanternbay open
