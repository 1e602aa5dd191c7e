#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test with a private sound
# server, X display and session bus; then runs the same unit tests built with
# AddressSanitizer and UndefinedBehaviorSanitizer (NORRAVA_SANITIZE=0 skips
# that second pass). Fails when any build or test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

BUILD_DIR=${NORRAVA_BUILD_DIR:-build}
ASAN_DIR=${NORRAVA_ASAN_BUILD_DIR:-build-asan}
SANITIZE=${NORRAVA_SANITIZE:-1}
NORRAVA_BUILD_DIR=$BUILD_DIR bash scripts/build.sh
if [ "$SANITIZE" != 0 ]; then
  NORRAVA_BUILD_DIR=$ASAN_DIR bash scripts/build.sh -DNORRAVA_SANITIZE=ON -DNORRAVA_BUILD_BENCH=OFF
fi

source scripts/services.sh
norrava_start_pulse
norrava_start_xvfb
norrava_start_dbus
# Every service is up: a test that finds one missing fails instead of skipping.
export NORRAVA_SERVICES=1

status=0
ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error -j "$(nproc)" || status=1
if [ "$SANITIZE" != 0 ]; then
  echo "== The unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
  (
    source tests/sanitizer/env.sh
    ctest --test-dir "$ASAN_DIR" --output-on-failure --no-tests=error -j "$(nproc)"
  ) || status=1
fi
exit "$status"
