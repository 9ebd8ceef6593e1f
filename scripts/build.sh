#!/usr/bin/env bash
# Configures and builds into build/ (or $KRUMBOLT_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${KRUMBOLT_BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  # KRUMBOLT_CMAKE_ARGS: further options for a first configure (the sanitizer builds).
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${KRUMBOLT_CMAKE_ARGS:-} "$@"
fi
cmake --build "$BUILD_DIR"
