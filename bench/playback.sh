#!/usr/bin/env bash
# CPU used per second of playback of a 30 s 1080p30 H.264 clip with sound,
# with the player's whole window shown on a private Xvfb and the sound going
# to a private PulseAudio null sink, against mpv (--vo=x11 --ao=pulse)
# playing the same clip in the same run; dropped frames counted for both.
#
#   bench/playback.sh [build-dir]        ROUNDS=n (default 2) alternates runs
#
# CPU is utime+stime from /proc/<pid>/stat over 25 s of steady playback
# (from 2 s to 27 s after the window maps); the X server's and the sound
# server's CPU over the same span are shown beside it, since work can move
# from a player into them. Dropped frames: the player logs, with the
# norrava.media.stats category on, the engine's own drop counts and how many
# frames its video panel was given and how many distinct ones it painted;
# mpv is asked over its IPC for decoder-frame-drop-count and
# frame-drop-count (the output's) once the clip has ended.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
build="$(cd "$build" && pwd)"
rounds="${ROUNDS:-2}"

cmake --build "$build" --target norrava -j2 >/dev/null
# shellcheck source=benchmedia.sh
source "$here/benchmedia.sh"
clip="$(bench_clip_1080p30 "$build")"

# shellcheck source=../scripts/services.sh
source "$here/../scripts/services.sh"
norrava_start_pulse
pulse_pid="${NORRAVA_PIDS[-1]}"
# Room for the whole window: the video at 1920x1080 plus the skin, the
# navigator handle and the status panel under it.
NORRAVA_XVFB_SCREEN=2600x1800x24 norrava_start_xvfb
xvfb_pid="${NORRAVA_PIDS[-1]}"
unset QT_QPA_PLATFORM NORRAVA_AUDIO

echo "== playback of $(basename "$clip") (1920x1080, 30 fps, 30 s, AAC stereo), $rounds round(s)"
python3 - "$build/app/norrava" "$clip" "$rounds" "$xvfb_pid" "$pulse_pid" "$NORRAVA_RUNTIME" <<'PY'
import json, os, re, socket, statistics, subprocess, sys, time

player, clip, rounds, xvfb_pid, pulse_pid, runtime = sys.argv[1:7]
# The main window's title, as the player prints it for --version.
title = subprocess.run([player, "--version"], capture_output=True, text=True, check=True).stdout.strip()
rounds, xvfb_pid, pulse_pid = int(rounds), int(xvfb_pid), int(pulse_pid)
HZ = os.sysconf("SC_CLK_TCK")
SETTLE, SPAN, CLIP_SECONDS, FRAMES = 2.0, 25.0, 30.0, 900


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / HZ


def find_window(pattern, proc, timeout=30):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if proc.poll() is not None:
            return None
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern],
                             capture_output=True, text=True).stdout.split()
        if out:
            return out[0]
        time.sleep(0.02)
    return None


def measure(proc, window_pattern):
    window = find_window(window_pattern, proc)
    if window is None:
        return None
    mapped = time.monotonic()
    time.sleep(SETTLE)
    pids = [proc.pid, xvfb_pid, pulse_pid]
    before, t0 = [cpu_seconds(p) for p in pids], time.monotonic()
    time.sleep(SPAN)
    after, t1 = [cpu_seconds(p) for p in pids], time.monotonic()
    rates = [(a - b) / (t1 - t0) for a, b in zip(after, before)]
    # Let the clip play to its end before asking for the frame counts.
    time.sleep(max(0.0, mapped + CLIP_SECONDS + 2.0 - time.monotonic()))
    return window, rates


def stop(proc):
    try:
        proc.wait(timeout=15)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


def run_norrava(i):
    log = os.path.join(runtime, "norrava-%d.log" % i)
    env = dict(os.environ, QT_LOGGING_RULES="norrava.media.stats.debug=true", QT_FORCE_STDERR_LOGGING="1",
               QT_MESSAGE_PATTERN="%{category}: %{message}")
    with open(log, "w") as err:
        proc = subprocess.Popen([player, clip], env=env, stdout=subprocess.DEVNULL, stderr=err)
    result = measure(proc, "^" + title.replace(".", "\\.") + "$")
    if result is None:
        proc.kill(); proc.wait()
        print("norrava exited with %s; its last words:\n%s" % (proc.returncode, open(log).read()[-2000:]))
        return None
    window, rates = result
    # Close as a user does, with the close button (20x21 at W-34, 5), so the
    # panel prints its counts on the way out.
    geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                              capture_output=True, text=True).stdout
    g = dict(line.split("=", 1) for line in geometry.split())
    x, y, w = int(g["X"]), int(g["Y"]), int(g["WIDTH"])
    subprocess.run(["xdotool", "mousemove", str(x + w - 24), str(y + 15), "click", "1"])
    stop(proc)
    text = open(log).read()
    m = re.search(r"norrava.media.stats: video frames given (\d+) shown (\d+) scaled-paints (\d+)", text)
    e = re.search(r"norrava.media.stats: engine frames dropped by decoder (-?\d+) by output (-?\d+)", text)
    if not (m and e):
        return rates, None, "no stats lines (did it close?)"
    given, shown, scaled = (int(v) for v in m.groups())
    decoder, output = (int(v) for v in e.groups())
    # Not shown: what the engine dropped, and frames the panel was given
    # but replaced before it painted them. (The panel also counts redraws
    # of a frame, e.g. the first one at its final size, hence given > 900.)
    dropped = decoder + output + (given - shown)
    note = ("engine drops: decoder %d, output %d; panel: given %d, painted %d, scaled paints %d"
            % (decoder, output, given, shown, scaled))
    return rates, dropped, "window %sx%s; %s" % (g["WIDTH"], g["HEIGHT"], note)


def run_mpv(i):
    sock_path = os.path.join(runtime, "mpv-%d.sock" % i)
    log = os.path.join(runtime, "mpv-%d.log" % i)
    with open(log, "w") as err:
        proc = subprocess.Popen(["mpv", "--vo=x11", "--ao=pulse", "--no-config", "--keep-open=yes",
                                 "--msg-level=all=warn", "--input-ipc-server=" + sock_path, clip],
                                stdin=subprocess.DEVNULL, stdout=err, stderr=err)
    result = measure(proc, " - mpv$")
    if result is None:
        proc.kill(); proc.wait()
        print("mpv exited with %s; its last words:\n%s" % (proc.returncode, open(log).read()[-2000:]))
        return None
    _, rates = result
    s = socket.socket(socket.AF_UNIX)
    s.connect(sock_path)
    s.settimeout(5)
    buf = b""

    def get(name, request):
        nonlocal buf
        s.sendall((json.dumps({"command": ["get_property", name], "request_id": request}) + "\n").encode())
        while True:
            while b"\n" in buf:
                line, buf = buf.split(b"\n", 1)
                msg = json.loads(line)
                if msg.get("request_id") == request:
                    return msg.get("data")
            buf += s.recv(65536)

    # frame-drop-count counts the output's drops (vo-drop-frame-count is its
    # old name, so the two must not be added); the decoder's are apart.
    decoder = get("decoder-frame-drop-count", 1)
    output = get("frame-drop-count", 2)
    frame = get("estimated-frame-number", 3)
    s.sendall(b'{"command":["quit"]}\n')
    s.close()
    stop(proc)
    dropped = (decoder or 0) + (output or 0)
    return rates, dropped, "decoder drops %s, output drops %s, last frame %s" % (decoder, output, frame)


have_mpv = subprocess.run(["sh", "-c", "command -v mpv"], capture_output=True).returncode == 0
results = {"norrava": [], "mpv": []}
for i in range(rounds):
    for name, run in (("norrava", run_norrava), ("mpv", run_mpv)):
        if name == "mpv" and not have_mpv:
            continue
        r = run(i)
        if r is None:
            print("%-7s round %d: failed (no window)" % (name, i + 1))
            continue
        rates, dropped, note = r
        results[name].append((rates, dropped))
        print("%-7s round %d: %.3f CPU s/s (X server %.3f, sound server %.3f); dropped %s of %d; %s"
              % (name, i + 1, rates[0], rates[1], rates[2], dropped, FRAMES, note), flush=True)

print()
for name, runs in results.items():
    if not runs:
        continue
    med = lambda k: statistics.median(r[0][k] for r in runs)
    drops = [r[1] for r in runs]
    print("%-7s median %.3f CPU s per s of playback (X server %.3f, sound server %.3f); dropped frames per run: %s"
          % (name, med(0), med(1), med(2), ", ".join(str(d) for d in drops)))
if not have_mpv:
    print("mpv is not installed: no comparison")
print("goal: norrava at most 0.34 CPU s per s with no dropped frames "
      "(reference on this kind of machine: decoding alone 0.23, VLC X11 0.34, mpv X11 0.52)")
PY
