#!/usr/bin/env bash
# Peak resident memory of the whole player playing a 30 s 1080p30 H.264 clip
# with sound in its full window on a private Xvfb, sound to a private
# PulseAudio null sink, a private session bus for its media controls, against mpv (--vo=x11 --ao=pulse) playing the same
# clip in the same run; rounds alternate between the two.
#
#   bench/memory.sh [build-dir]        ROUNDS=n (default 3)
#
# The peak is VmHWM from /proc/<pid>/status, read just before the clip ends;
# beside it the resident memory then, split into anonymous, file-backed
# (program and library pages) and shared (the window's X backing store).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
build="$(cd "$build" && pwd)"
rounds="${ROUNDS:-3}"

cmake --build "$build" --target norrava -j2 >/dev/null
# shellcheck source=benchmedia.sh
source "$here/benchmedia.sh"
clip="$(bench_clip_1080p30 "$build")"

# shellcheck source=../scripts/services.sh
source "$here/../scripts/services.sh"
norrava_start_pulse
# A session bus, as on a desktop: the player then serves its media controls.
norrava_start_dbus
# Room for the whole window: the video at 1920x1080 plus the skin.
NORRAVA_XVFB_SCREEN=2600x1800x24 norrava_start_xvfb
unset QT_QPA_PLATFORM NORRAVA_AUDIO

echo "== peak memory playing $(basename "$clip") (1920x1080, 30 fps, AAC stereo), $rounds round(s); load $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$build/app/norrava" "$clip" "$rounds" <<'PY'
import statistics, subprocess, sys, time

player, clip, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
PLAY = 27.0  # seconds of the clip's 30 before the figures are read


def status(pid):
    fields = {}
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            key, _, value = line.partition(":")
            fields[key] = value.strip()
    return fields


def kib(text):
    return int(text.split()[0])


def run(command):
    proc = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(PLAY)
    if proc.poll() is not None:
        return None
    s = status(proc.pid)
    proc.terminate()
    try:
        proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
    return {k: kib(s[k]) / 1024.0 for k in ("VmHWM", "RssAnon", "RssFile", "RssShmem")}


results = {"norrava": [], "mpv": []}
have_mpv = subprocess.run(["sh", "-c", "command -v mpv"], capture_output=True).returncode == 0
for i in range(rounds):
    for name, command in (("norrava", [player, clip]),
                          ("mpv", ["mpv", "--vo=x11", "--ao=pulse", "--no-config", "--really-quiet", clip])):
        if name == "mpv" and not have_mpv:
            continue
        r = run(command)
        if r is None:
            print("%-7s round %d: exited early" % (name, i + 1))
            continue
        results[name].append(r)
        print("%-7s round %d: peak %.1f MiB (now: anonymous %.1f, files %.1f, shared %.1f)"
              % (name, i + 1, r["VmHWM"], r["RssAnon"], r["RssFile"], r["RssShmem"]), flush=True)
print()
for name, runs in results.items():
    if runs:
        peaks = [r["VmHWM"] for r in runs]
        print("%-7s peak median %.1f MiB (max %.1f)" % (name, statistics.median(peaks), max(peaks)))
if not have_mpv:
    print("mpv is not installed: no comparison")
print("goal: norrava at most 140 MiB")
PY
echo "(load after: $(cut -d' ' -f1-3 /proc/loadavg))"
