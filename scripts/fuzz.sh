#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# SECONDS is per target (default 60); TARGETs default to all of them, e.g.
#   scripts/fuzz.sh 600 bmp_fuzz dibultra_fuzz
# Each target first replays its kept crash inputs (fuzz/regressions/<name>),
# then fuzzes a copy of its seed corpus (fuzz/corpus/<name>), so the
# committed corpus is never changed. New crash inputs are left in
# $NORRAVA_FUZZ_OUT (default build-fuzz/findings) and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_EACH=${1:-60}
shift || true
TARGETS=("$@")
if [ ${#TARGETS[@]} -eq 0 ]; then
  TARGETS=(mci_command_fuzz smf_fuzz extension_ini_fuzz bmp_fuzz dibultra_fuzz)
fi
BUILD_DIR=${NORRAVA_FUZZ_BUILD_DIR:-build-fuzz}
OUT=${NORRAVA_FUZZ_OUT:-$BUILD_DIR/findings}

CXX=clang++ cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DNORRAVA_BUILD_TESTS=OFF -DNORRAVA_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)" --target "${TARGETS[@]}"

WORK=$(mktemp -d /tmp/norrava-fuzz.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT"
export QT_QPA_PLATFORM=offscreen
# The tests' sanitizer settings, with their suppressions of system libraries'
# own caches (fontconfig keeps some it never frees).
source tests/sanitizer/env.sh
failed=()
for target in "${TARGETS[@]}"; do
  name=${target%_fuzz}
  binary="$BUILD_DIR/fuzz/$target"
  log="$OUT/$target.log"
  echo "== $target: ${SECONDS_EACH}s"
  regressions=(fuzz/regressions/"$name"/*)
  if [ -e "${regressions[0]}" ]; then
    if ! "$binary" "${regressions[@]}" >"$log" 2>&1; then
      echo "$target: a kept crash input fails again, see $log"
      failed+=("$target")
      continue
    fi
  fi
  corpus="$WORK/$name"
  mkdir -p "$corpus"
  cp fuzz/corpus/"$name"/* "$corpus"/
  if "$binary" "$corpus" -max_total_time="$SECONDS_EACH" -timeout=30 -rss_limit_mb=2560 \
       -print_final_stats=1 -artifact_prefix="$OUT/$target-" >>"$log" 2>&1; then
    grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$log" | tail -2 | sed "s/^/  /"
  else
    echo "$target: found a failing input, see $log and $OUT/$target-*"
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "Failed: ${failed[*]}"
  exit 1
fi
echo "All fuzz targets ran clean."
