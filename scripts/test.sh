#!/bin/bash
# Sets up, builds and runs every test. Window tests run under a virtual display.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${RL_BUILD_DIR:-$root/build}"
bash "$root/scripts/setup.sh"
RL_BUILD_DIR="$build" bash "$root/scripts/build.sh"
cd "$build"
export QTWEBENGINE_DISABLE_SANDBOX=1
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$(nproc)" --timeout 600
