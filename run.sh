#!/usr/bin/env bash
# Installs what is missing, builds and starts the game.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup-deps.sh
scripts/build.sh
cd "${KRUMBOLT_BUILD_DIR:-build}"
exec ./krumbolt "$@"
