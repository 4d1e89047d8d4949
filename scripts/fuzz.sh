#!/bin/bash
# Runs every fuzz target (tests/fuzz, libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer) for a given time and reports each one's
# executions. A finding fails the run; the input that caused it is kept in
# <build>/fuzz-findings/, the log in <build>/fuzz-logs/.
#
#   bash scripts/fuzz.sh [--build DIR] [--no-build] [--jobs N] SECONDS [TARGET...]
#
# DIR is the clang build with the fuzz targets (default build-asan beside
# build/); without --no-build it is configured and the targets are built
# first. TARGET names a target (fuzz_history, ...); all when none is given.
# N targets run at once (default: half the processors).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${RL_BUILD_DIR:-$root/build}-asan"
do_build=1
jobs=$(( $(nproc) / 2 > 0 ? $(nproc) / 2 : 1 ))
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --no-build) do_build=0; shift ;;
    --jobs) jobs="$2"; shift 2 ;;
    *) break ;;
  esac
done
if [ $# -lt 1 ] || ! [[ "$1" =~ ^[0-9]+$ ]]; then
  echo "usage: fuzz.sh [--build DIR] [--no-build] [--jobs N] SECONDS [TARGET...]" >&2
  exit 2
fi
seconds="$1"
shift

if [ $do_build -eq 1 ]; then
  bash "$root/scripts/setup.sh"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRL_ASAN=ON -DRL_FUZZ=ON -DRL_BENCH=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  all=$(cd "$root/tests/fuzz" && ls ./*Fuzz.cpp | sed 's|^\./\(.*\)Fuzz\.cpp$|fuzz_\1|')
  # shellcheck disable=SC2086
  cmake --build "$build" -j "$(nproc)" --target ${all}
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(cd "$build/tests/fuzz" && ls fuzz_* 2>/dev/null | sort)
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets in $build/tests/fuzz" >&2
  exit 1
fi

mkdir -p "$build/fuzz-logs" "$build/fuzz-findings" "$build/fuzz-corpus"
run_one() {
  local name="$1"
  local seeds="$root/tests/fuzz/corpus/${name#fuzz_}"
  local corpus="$build/fuzz-corpus/$name"
  local log="$build/fuzz-logs/$name.log"
  mkdir -p "$corpus"
  local dirs=("$corpus")
  [ -d "$seeds" ] && dirs+=("$seeds")
  # Each target runs in a folder of its own: some write files.
  local work
  work=$(mktemp -d)
  local result=0
  (cd "$work" && RL_TOOLKIT=headless ASAN_OPTIONS="detect_leaks=1" "$build/tests/fuzz/$name" \
    -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz-findings/$name-" "${dirs[@]}") >"$log" 2>&1 || result=$?
  rm -rf "$work"
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ $result -eq 0 ]; then
    printf '%-28s %12s executions in %s s\n' "$name" "${runs:-?}" "$seconds"
  else
    printf '%-28s FINDING after %s executions (log %s)\n' "$name" "${runs:-?}" "$log"
    grep -m 5 -E "ERROR|runtime error|Test unit written" "$log" | sed 's/^/    /'
  fi
  return $result
}
export -f run_one
export root build seconds

printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$@"' _ {}
