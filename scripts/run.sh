#!/bin/bash
# Sets up, builds and starts the main program: the Lanternbay portal, as
# started by hand, in its install folder build/install (or the folder given
# as argument, which gets what the build ships: programs, pages, pictures and
# tables, never what an earlier run wrote; the programs as files, so that it
# keeps working when the build folder is gone). Only the programs and files of
# the install folder are built, through ccache as the test command uses it;
# the test command builds everything. Set-up registers the control in the
# install folder; the portal then writes its log, preferences, content pages
# and the tracker's settings into it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${RL_BUILD_DIR:-$root/build}"
install="${1:-$build/install}"
bash "$root/scripts/setup.sh"

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
# The portal with its control, launcher, finisher and install folder
# (portal_install), its content pages and pictures, the newspaper edition
# BRTWRL with its pages, the tracker's user pictures, icon and table of
# versions (portal_brtw_install), Navigator with the browser it drives
# (navigator_install), and the registration tool.
cmake --build "$build" -j "$(nproc)" --target \
  portal_install portal_content portal_files portal_brtw_install navigator_install lanternbay-install

if [ "$(realpath -m "$install")" != "$(realpath -m "$build/install")" ]; then
  bash "$root/scripts/copy-install.sh" "$build/install" "$install"
fi
"$build/portal/lanternbay-install" "$install"
# Any argument means a start by hand: the window opens at once. The program
# works in its install folder, whichever folder it is started from.
exec "$install/Lanternbay" open
