#!/usr/bin/env bash
# Runs the game in a virtual X display like measure.sh and, after SECONDS, prints where its
# resident memory lies, by mapping: the graphics driver's libraries, the program, the other
# shared libraries (the largest by name), the heap, and the anonymous mappings (the largest
# one by one: the world's tile stores and the driver's large blocks are among them).
# Usage: memsplit.sh BUILD_DIR [SECONDS] [SCREEN]
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-12}
screen=${3:-1024x768}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data/Krumbolt"
printf '<>\n\t<\\>\n<Config>\n\t<Display>\n\t\t<Resolution> "%s" "%s" <\\Resolution>\n\t\t<Fullscreen> "1" <\\Fullscreen>\n\t<\\Display>\n\t<ANWENDUNG>\n\t\t<INTRO> "0" <\\INTRO>\n\t<\\ANWENDUNG>\n<\\Config>\n' \
  "${screen%x*}" "${screen#*x}" | iconv -f UTF-8 -t UTF-16 > "$work/data/Krumbolt/config.cfg"
cd "$build"
XDG_DATA_HOME="$work/data" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
  xvfb-run -a -s "-screen 0 ${screen}x24" ./krumbolt >/dev/null 2>&1 &
runner=$!
pid=
for _ in $(seq 1 300); do
  pid=$(pgrep -n -P "$runner" -x krumbolt || true)
  [ -n "$pid" ] && break
  sleep 0.1
done
[ -n "$pid" ] || { echo "the game did not start" >&2; exit 1; }
sleep "$seconds"
cp "/proc/$pid/smaps" "$work/smaps"
kill -TERM "$pid"
wait "$runner" || true
python3 - "$work/smaps" <<'PY'
import collections, re, sys
rss = collections.Counter()
anon = []
name = None
for line in open(sys.argv[1]):
    m = re.match(r"^([0-9a-f]+)-([0-9a-f]+) \S+ \S+ \S+ \S+\s*(.*)$", line)
    if m:
        name = m.group(3) or "[anon]"
        size = (int(m.group(2), 16) - int(m.group(1), 16)) >> 10
        continue
    if line.startswith("Rss:"):
        kb = int(line.split()[1])
        rss[name] += kb
        if name == "[anon]" and kb:
            anon.append((kb, size))
groups = collections.Counter()
libs = collections.Counter()
for n, kb in rss.items():
    base = n.rsplit("/", 1)[-1]
    if re.search(r"libLLVM|_dri\.so|libgallium|libGL|libEGL|libglapi|mesa_shader_cache", n):
        groups["graphics driver (" + ("libLLVM" if "LLVM" in n else "rest") + ")"] += kb
    elif n.endswith("/krumbolt"):
        groups["program"] += kb
    elif ".so" in base:
        groups["other shared libraries"] += kb
        libs[base] += kb
    elif n == "[heap]":
        groups["heap"] += kb
    elif n == "[anon]":
        groups["anonymous mappings"] += kb
    elif n.startswith("/SYSV"):
        groups["shared memory with the X server"] += kb
    else:
        groups["other files, stacks"] += kb
total = sum(rss.values())
print("resident %.1f MB" % (total / 1024))
for n, kb in groups.most_common():
    print("  %7.1f MB  %s" % (kb / 1024, n))
print("largest other shared libraries (%d mapped):" % len(libs))
for n, kb in libs.most_common(8):
    print("  %7.1f MB  %s" % (kb / 1024, n))
print("largest anonymous mappings (resident of reserved):")
for kb, size in sorted(anon, reverse=True)[:8]:
    print("  %7.1f MB of %7.1f MB" % (kb / 1024, size / 1024))
PY
