#!/usr/bin/env bash
# Opening a file and knowing its length, as the player's load does it
# (the load's commands in their order, through the command channel, until
# "status z length" has answered), against mpv's loadfile until its
# duration can be read, on the same clips in the same run (rounds
# alternate). Also the longest single command or event pump of the load (the longest the
# window waits for the engine at once) and when the first frame reached the
# video panel.
#
#   bench/openlength.sh [build-dir]        ROUNDS=n (default 7; the first
#                                          round, with cold caches, is left out)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
build="$(cd "$build" && pwd)"
rounds="${ROUNDS:-7}"

cmake --build "$build" --target openlength_bench -j2 >/dev/null
# shellcheck source=benchmedia.sh
source "$here/benchmedia.sh"
clips=("$(bench_clip_small40 "$build")" "$(bench_clip_film2h "$build")" "$(bench_clip_hevc10 "$build")")
bench="$build/bench/openlength_bench"
export NORRAVA_AUDIO=null

mpv_open() { # clip
    bench_python - "$1" <<'PY'
import sys, time
from mpvipc import Mpv

clip = sys.argv[1]
# Events that pass while waiting for the duration's reply are kept: the
# first frame's may come before it.
with Mpv(keep_events=True) as mpv:
    # One load to warm the caches, as the player's first round.
    mpv.send("loadfile", clip)
    mpv.wait_event("playback-restart")
    mpv.seen.clear()
    began = time.perf_counter()
    mpv.send("loadfile", clip)
    mpv.wait_event("file-loaded")
    duration = mpv.get_property("duration")
    known = (time.perf_counter() - began) * 1000
    mpv.wait_event("playback-restart")
    first = (time.perf_counter() - began) * 1000
    print("summary loadfile_duration_ms %.1f first_frame_ms %.1f duration %s" % (known, first, duration))
PY
}


echo "== open + length; $rounds rounds; load $(cut -d' ' -f1-3 /proc/loadavg)"
for clip in "${clips[@]}"; do
    ours_len=() ours_long=() ours_first=() theirs_len=() theirs_first=()
    for ((round = 1; round <= rounds; ++round)); do
        line="$("$bench" "$clip" 2 | sed -n 2p)" # the second open: caches warm, as mpv's
        ours_len+=("$(field "$line" open_length_ms)")
        ours_long+=("$(field "$line" longest_ms)")
        ours_first+=("$(field "$line" first_frame_ms)")
        length="$(sed -n 's/.* length \([0-9]*\).*/\1/p' <<<"$line")"
        if command -v mpv >/dev/null; then
            line="$(mpv_open "$clip")"
            theirs_len+=("$(field "$line" loadfile_duration_ms)")
            theirs_first+=("$(field "$line" first_frame_ms)")
        fi
    done
    echo "$(basename "$clip") ($length frames):"
    echo "  norrava: open + length $(median "${ours_len[@]}") ms (longest single command or pump $(median "${ours_long[@]}") ms); first frame on the panel $(median "${ours_first[@]}") ms"
    if ((${#theirs_len[@]})); then
        echo "  mpv:     loadfile + duration $(median "${theirs_len[@]}") ms; first frame $(median "${theirs_first[@]}") ms"
    fi
done
command -v mpv >/dev/null || echo "mpv is not installed: no comparison"
echo "goal: open + length at most 200 ms (stretch 100 ms), no command of the load longer than 50 ms (load after: $(cut -d' ' -f1-3 /proc/loadavg))"
