#!/bin/bash
# Sets up, builds and runs every test. Window tests run under a virtual
# display; the thread tests (label tsan) run again in a ThreadSanitizer build.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${RL_BUILD_DIR:-$root/build}"
tsan_build="${build}-tsan"
bash "$root/scripts/setup.sh"
RL_BUILD_DIR="$build" bash "$root/scripts/build.sh"

export QTWEBENGINE_DISABLE_SANDBOX=1
status=0

# The thread tests first, in a ThreadSanitizer build; only the executables of the tsan-labelled tests are built there.
targets=$(cd "$build" && ctest -N -L tsan | sed -n 's/^ *Test *#[0-9]*: *//p')
if [ -n "$targets" ]; then
  cmake -S "$root" -B "$tsan_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRL_TSAN=ON >/dev/null
  # shellcheck disable=SC2086
  cmake --build "$tsan_build" -j "$(nproc)" --target $targets
  (cd "$tsan_build" && TSAN_OPTIONS="halt_on_error=1" ctest --output-on-failure -L tsan -j 4 --timeout 600) || status=1
fi
# The full run comes last, so its summary closes the output.
(cd "$build" && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$(nproc)" --timeout 600) || status=1
exit $status
