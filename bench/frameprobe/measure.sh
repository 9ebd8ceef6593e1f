#!/usr/bin/env bash
# Runs the game in a virtual X display for a while and reports its start-up to the first
# scene frame, frames per second and CPU per frame, from the swap times the frame probe
# notes. Usage: measure.sh BUILD_DIR [SECONDS] [CPUS] [SCREEN] [INTRO]
#   CPUS    e.g. 0-1 for taskset (empty: all)
#   SCREEN  the virtual display's size, default 1024x768: the game takes the display's size,
#           so this is the size it draws at (a 1280x1024 display costs 1.67 times the pixels)
#   INTRO   1 plays the intro video first, default 0 (start-up is then the game's own)
# The game runs with a data folder of its own (a fresh configuration with the size and the
# intro setting above), so the player's settings neither change the figures nor change.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
seconds=${2:-15}
cpus=${3:-}
screen=${4:-1024x768}
intro=${5:-0}
work=$(mktemp -d)
probe=$work/frameprobe.so
gcc -O2 -shared -fPIC -o "$probe" "$here/frameprobe.c" -ldl
out=$work/swaps
mkdir -p "$work/data/Krumbolt"
printf '<>\n\t<\\>\n<Config>\n\t<Display>\n\t\t<Resolution> "%s" "%s" <\\Resolution>\n\t\t<Fullscreen> "1" <\\Fullscreen>\n\t<\\Display>\n\t<ANWENDUNG>\n\t\t<INTRO> "%s" <\\INTRO>\n\t<\\ANWENDUNG>\n<\\Config>\n' \
  "${screen%x*}" "${screen#*x}" "$intro" | iconv -f UTF-8 -t UTF-16 > "$work/data/Krumbolt/config.cfg"
pin=()
[ -n "$cpus" ] && pin=(taskset -c "$cpus")
cd "$build"
# The peak resident size comes from the kernel's account of the finished process.
XDG_DATA_HOME="$work/data" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
  xvfb-run -a -s "-screen 0 ${screen}x24" "${pin[@]}" /usr/bin/time -f "%M" -o "$out.rss" \
  timeout -s TERM "$seconds" env FRAMEPROBE_OUT="$out" LD_PRELOAD="$probe" ./krumbolt >/dev/null 2>&1 || true
python3 - "$out" "$out.rss" "$screen" <<'PY'
import sys
lines = [l.split() for l in open(sys.argv[1]) if l.strip()]
rows = [tuple(map(float, l)) for l in lines if l[0] != "scene"]
scene = [int(l[1]) for l in lines if l[0] == "scene"]
if len(rows) < 10:
    sys.exit("too few frames: %d" % len(rows))
# The probe knows the scene's first frame: the first swap after the main loop waited.
if scene and 0 <= scene[0] < len(rows):
    first = scene[0]
else:
    sys.exit("the main loop never waited: no scene frame")
steady = [r for r in rows if r[0] >= rows[first][0] + 2.0]
span = steady[-1][0] - steady[0][0]
frames = len(steady) - 1
cpu = steady[-1][1] - steady[0][1]
try:
    rss = int(open(sys.argv[2]).read().split()[-1]) / 1024
except Exception:
    rss = float("nan")
print("%s: first scene frame %.2f s (swap %d, %.2f s CPU); steady %.1f frames/s, %.1f ms CPU per frame (%.2f cores), peak %.0f MB"
      % (sys.argv[3], rows[first][0], first, rows[first][1], frames / span, 1000 * cpu / frames, cpu / span, rss))
PY
rm -rf "$work"
