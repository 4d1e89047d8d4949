#!/bin/bash
# Sets up, builds and starts the main program. Until the portal exists that is
# roamledger-retrieve: one retrieval of all accounts of the settings in the
# install folder (build/install, or the folder given as argument).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${RL_BUILD_DIR:-$root/build}"
install="${1:-$build/install}"
bash "$root/scripts/setup.sh"
RL_BUILD_DIR="$build" bash "$root/scripts/build.sh"
mkdir -p "$install"
exec "$build/tracker/core/tools/roamledger-retrieve" "$install"
