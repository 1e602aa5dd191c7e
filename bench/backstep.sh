#!/usr/bin/env bash
# Stepping backwards through a 1920x1080 H.264 film with 250-frame groups of
# pictures and 2 B-frames, against mpv on the same clip in the same run
# (rounds alternate between the two):
#
#  - frame back: 40 consecutive steps from the end of a group ("seek z to
#    N-1" and the frame shown), against mpv's frame-back-step (until its
#    playback restarts); median and 90th percentile of all but the first
#    step (the first after a jump may cost a group's decoding), and the first;
#  - rewind held for 3 s: a repeat 400 ms after the press and every 100 ms
#    after it, 25 frames back each (a repeat still busy when the next is due
#    makes that one late); repeats whose exact frame was shown in time,
#    against mpv seeking 25 frames back per repeat.
#
#   bench/backstep.sh [build-dir]        ROUNDS=n (default 3)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
build="$(cd "$build" && pwd)"
rounds="${ROUNDS:-3}"

cmake --build "$build" --target backstep_bench -j2 >/dev/null
# shellcheck source=benchmedia.sh
source "$here/benchmedia.sh"
clip="$(bench_clip_gop1080 "$build")"
bench="$build/bench/backstep_bench"
export NORRAVA_AUDIO=null

mpv_steps() { # step clip from steps | rewind clip from seconds
    bench_python - "$@" <<'PY'
import sys, time
from mpvipc import Mpv

mode, clip, start = sys.argv[1], sys.argv[2], int(sys.argv[3])
fps = 25.0
with Mpv("--hr-seek=yes") as mpv:
    def frame():
        position = mpv.get_property("time-pos", timeout=30)
        return round(position * fps) if position is not None else -1

    def seek_to(n):
        mpv.send("seek", "%.6f" % (n / fps), "absolute+exact")
        mpv.wait_event("playback-restart", timeout=30)

    mpv.send("loadfile", clip)
    mpv.wait_event("playback-restart", timeout=30)
    seek_to(start)
    if mode == "step":
        times, exact = [], 0
        for i in range(int(sys.argv[4])):
            target = frame() - 1
            began = time.perf_counter()
            mpv.send("frame-back-step")
            mpv.wait_event("playback-restart", timeout=30)
            times.append((time.perf_counter() - began) * 1000)
            exact += frame() == target
        rest = sorted(times[1:])
        print("summary first_ms %.1f median_ms %.1f p90_ms %.1f max_ms %.1f exact %d/%d"
              % (times[0], rest[len(rest) // 2], rest[int(0.9 * (len(rest) - 1) + 0.5)], max(times), exact, len(times)))
    else:
        seconds = float(sys.argv[4])
        press = time.perf_counter()
        due = press + 0.4
        repeats = on_time = exact = 0
        times = []
        while due < press + seconds:
            time.sleep(max(0.0, due - time.perf_counter()))
            began = time.perf_counter()
            target = max(frame() - 25, 0)
            seek_to(target)
            done = time.perf_counter()
            repeats += 1
            shown = frame()
            exact += shown == target
            due += 0.1
            on_time += done <= due and shown == target
            due = max(due, done)
            times.append((done - began) * 1000)
            if target == 0:
                break
        times.sort()
        print("summary repeats %d on_time %d exact %d median_ms %.1f p90_ms %.1f max_ms %.1f"
              % (repeats, on_time, exact, times[len(times) // 2], times[int(0.9 * (len(times) - 1) + 0.5)], times[-1]))
PY
}


have_mpv=0
command -v mpv >/dev/null && have_mpv=1
echo "== $(basename "$clip"): 1920x1080, 25 fps, groups of 250 frames, 2 B-frames; $rounds rounds; load $(cut -d' ' -f1-3 /proc/loadavg)"
declare -A ours=() theirs=()
for ((round = 1; round <= rounds; ++round)); do
    for from in 249 499; do
        line="$("$bench" step "$clip" "$from" 40 | tail -n 1)"
        echo "  norrava frame back from $from: ${line#summary }"
        for key in first_ms median_ms p90_ms; do ours[step_$key]+=" $(field "$line" "$key")"; done
        if ((have_mpv)); then
            line="$(mpv_steps step "$clip" "$from" 40)"
            echo "  mpv     frame back from $from: ${line#summary }"
            for key in first_ms median_ms p90_ms; do theirs[step_$key]+=" $(field "$line" "$key")"; done
        fi
    done
    line="$("$bench" rewind "$clip" 499 3 | tail -n 1)"
    echo "  norrava rewind held 3 s from 499: ${line#summary }"
    ours[rewind_on_time]+=" $(field "$line" on_time)"; ours[rewind_repeats]+=" $(field "$line" repeats)"
    if ((have_mpv)); then
        line="$(mpv_steps rewind "$clip" 499 3)"
        echo "  mpv     rewind held 3 s from 499: ${line#summary }"
        theirs[rewind_on_time]+=" $(field "$line" on_time)"; theirs[rewind_repeats]+=" $(field "$line" repeats)"
    fi
done
# shellcheck disable=SC2086
echo "norrava: frame back median $(median ${ours[step_median_ms]}) ms, p90 $(median ${ours[step_p90_ms]}) ms, first $(median ${ours[step_first_ms]}) ms; rewind: new exact frame in time at $(median ${ours[rewind_on_time]}) of $(median ${ours[rewind_repeats]}) repeats"
if ((have_mpv)); then
    # shellcheck disable=SC2086
    echo "mpv:     frame-back-step median $(median ${theirs[step_median_ms]}) ms, p90 $(median ${theirs[step_p90_ms]}) ms, first $(median ${theirs[step_first_ms]}) ms; rewind: new exact frame in time at $(median ${theirs[rewind_on_time]}) of $(median ${theirs[rewind_repeats]}) repeats"
else
    echo "mpv is not installed: no comparison"
fi
echo "goal: frame back median at most 40 ms, p90 at most 80 ms; rewind shows a new frame at every repeat (load after: $(cut -d' ' -f1-3 /proc/loadavg))"
