#!/bin/bash
# Sets up, builds and starts the main program. Until the portal exists that is
# roamledger-window: the tracker in a window of its own, on the install folder
# build/install (or the folder given as argument), which holds its settings,
# history, log and result pages. A first start there begins with no settings.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${RL_BUILD_DIR:-$root/build}"
install="${1:-$build/install}"
bash "$root/scripts/setup.sh"
RL_BUILD_DIR="$build" bash "$root/scripts/build.sh"
mkdir -p "$install"
# The window's icon lives beside its settings.
[ -e "$install/Roamledger.ico" ] || cp "$root/resources/images/Roamledger.ico" "$install/"
# The window starts Navigator from its install folder; Navigator drives the
# browser program installed beside it.
cp -f "$build/navigator/Navigator" "$build/navigator/automation-browser" "$install/"
exec "$build/tracker/ui/tools/roamledger-window" "$install"
