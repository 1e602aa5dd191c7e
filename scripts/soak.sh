#!/usr/bin/env bash
# Soak run: drives the real player through a random sequence of loads,
# transport presses, slider moves, size changes and captures, built with
# AddressSanitizer so LeakSanitizer checks for leaks when it exits.
#   scripts/soak.sh [--seed N] [--count N] [--seconds N]
# Defaults: seed 1, at most 50000 operations or 180 seconds (about 12000
# operations fit in 180 s under the sanitizers on two cores).
# NORRAVA_SOAK_SANITIZE=OFF runs the normal build (in build/) instead, for
# memory figures without the sanitizer's own overhead. Sound goes to a
# private PulseAudio server; the windows are offscreen unless
# QT_QPA_PLATFORM says otherwise (e.g. xcb, on the private Xvfb display).
set -euo pipefail
cd "$(dirname "$0")/.."
SANITIZE=${NORRAVA_SOAK_SANITIZE:-ON}
if [ "$SANITIZE" = ON ]; then
  BUILD_DIR=${NORRAVA_SOAK_BUILD_DIR:-build-asan}
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORRAVA_SANITIZE=ON -DNORRAVA_BUILD_BENCH=OFF >/dev/null
else
  BUILD_DIR=${NORRAVA_SOAK_BUILD_DIR:-build}
  cmake -S . -B "$BUILD_DIR" -DNORRAVA_SANITIZE=OFF >/dev/null
fi
cmake --build "$BUILD_DIR" -j "$(nproc)" --target norrava_soak

source scripts/services.sh
norrava_start_pulse
norrava_start_xvfb
[ "$SANITIZE" = ON ] && source tests/sanitizer/env.sh
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
"$BUILD_DIR/tests/norrava_soak" "$@"
