#!/usr/bin/env bash
# Runs the game in a virtual X display for a while and reports its start-up to the first
# scene frame, frames per second and CPU per frame, from the swap times the frame probe
# notes. Usage: measure.sh BUILD_DIR [SECONDS] [CPUS]   (CPUS e.g. 0-1 for taskset)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
seconds=${2:-15}
cpus=${3:-}
probe=$(mktemp -d)/frameprobe.so
gcc -O2 -shared -fPIC -o "$probe" "$here/frameprobe.c" -ldl
out=$(mktemp)
pin=()
[ -n "$cpus" ] && pin=(taskset -c "$cpus")
cd "$build"
# The peak resident size comes from the kernel's account of the finished process.
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1280x1024x24" "${pin[@]}" /usr/bin/time -f "%M" -o "$out.rss" \
  timeout -s TERM "$seconds" env FRAMEPROBE_OUT="$out" LD_PRELOAD="$probe" ./krumbolt >/dev/null 2>&1 || true
python3 - "$out" "$out.rss" <<'PY'
import sys
rows = [tuple(map(float, l.split())) for l in open(sys.argv[1]) if l.strip()]
if len(rows) < 10:
    sys.exit("too few frames: %d" % len(rows))
# The scene's frames follow the loading screens: the first swap after the longest gap
# (the world build) within the first half of the run starts them.
gaps = [(rows[i][0] - rows[i - 1][0], i) for i in range(1, len(rows) // 2)]
first = max(gaps)[1]
steady = [r for r in rows if r[0] >= rows[first][0] + 2.0]
span = steady[-1][0] - steady[0][0]
frames = len(steady) - 1
cpu = steady[-1][1] - steady[0][1]
try:
    rss = int(open(sys.argv[2]).read().split()[-1]) / 1024
except Exception:
    rss = float("nan")
print("first scene frame %.2f s (swap %d); steady %.1f frames/s, %.1f ms CPU per frame (%.2f cores), peak %.0f MB"
      % (rows[first][0], first, frames / span, 1000 * cpu / frames, cpu / span, rss))
PY
