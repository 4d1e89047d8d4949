#!/bin/bash
# Runs the window tests (label gui) and the thread tests (label tsan) while
# the machine is busy: as many busy loops as there are cores beside them,
# the tests themselves at twice the cores, each test again and again until
# it fails (at most --repeat times), under a virtual display. A test that
# only passes on a quiet machine fails here.
#
#   scripts/stress.sh [--build DIR] [--repeat N] [--labels REGEX] [--jobs J] [--busy B]
#
# DIR defaults to build/ (or $RL_BUILD_DIR) and must be built already; a
# sanitizer build works too (set ASAN_OPTIONS and the like as scripts/test.sh
# does). The normal test run stays scripts/test.sh.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${RL_BUILD_DIR:-$root/build}"
repeat=3
labels="gui|tsan"
cores="$(nproc)"
jobs=$((2 * cores))
busy="$cores"
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --repeat) repeat="$2"; shift 2 ;;
    --labels) labels="$2"; shift 2 ;;
    --jobs) jobs="$2"; shift 2 ;;
    --busy) busy="$2"; shift 2 ;;
    -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
build="$(cd "$build" && pwd)"
[ -f "$build/CTestTestfile.cmake" ] || { echo "no test build in $build" >&2; exit 2; }

loops=()
stop_loops() {
  for pid in "${loops[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${loops[@]}"; do wait "$pid" 2>/dev/null || true; done
  loops=()
}
trap stop_loops EXIT
for _ in $(seq "$busy"); do
  (while :; do :; done) &
  loops+=($!)
done

log="$build/Testing/stress-$(date +%Y%m%d-%H%M%S).log"
mkdir -p "$build/Testing"
export QTWEBENGINE_DISABLE_SANDBOX=1
echo "== stress: labels '$labels', $busy busy loops, ctest -j $jobs, until a failure or $repeat runs each; log $log"
started=$SECONDS
status=0
(cd "$build" && xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest -L "$labels" -j "$jobs" --repeat "until-fail:$repeat" --timeout 900 --output-on-failure) >"$log" 2>&1 ||
  status=$?
stop_loops
load="$(cut -d' ' -f1-3 /proc/loadavg)"

echo "== stress summary ($((SECONDS - started)) s, load average at the end $load)"
grep -E "tests passed|Total Test time" "$log" || true
failed="$(sed -n '/The following tests FAILED:/,$p' "$log" | grep -E '^[[:space:]]+[0-9]+ - ' || true)"
if [ -n "$failed" ]; then
  echo "failed:"
  echo "$failed"
fi
# The slowest tests, from ctest's own timings.
echo "slowest:"
grep -E "Test +#[0-9]+: .* sec" "$log" | sed -E 's/.*Test +#[0-9]+: ([^ ]+) .* ([0-9.]+) sec.*/\2 \1/' |
  sort -rn | head -5 | sed 's/^/  /'
exit $status
