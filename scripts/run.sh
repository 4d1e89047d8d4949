#!/bin/bash
# Sets up, builds and starts the main program in the install folder build/install.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${RL_BUILD_DIR:-$root/build}"
bash "$root/scripts/setup.sh"
RL_BUILD_DIR="$build" bash "$root/scripts/build.sh"
echo "Nothing to start yet: no program has been built."
