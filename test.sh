#!/usr/bin/env bash
# Installs what is missing, builds and runs every test (unit, gl and e2e; all headless).
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup-deps.sh
scripts/build.sh
cd "${KRUMBOLT_BUILD_DIR:-build}"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
ctest --output-on-failure -j "$(nproc)" "$@"
cd - >/dev/null
scripts/fuzz.sh
