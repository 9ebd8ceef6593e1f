#!/usr/bin/env bash
# Installs what is missing, builds and runs every test (unit, gl and e2e; all headless).
# KRUMBOLT_SANITIZER=address (AddressSanitizer with UndefinedBehaviorSanitizer) or
# KRUMBOLT_SANITIZER=thread (ThreadSanitizer) builds the whole suite with that sanitizer into a
# build folder of its own (build-address, build-thread) and runs it there; the plain build
# and the fuzz targets are left alone.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup-deps.sh
SANITIZER=${KRUMBOLT_SANITIZER:-}
if [ -n "$SANITIZER" ]; then
  SUPP="$PWD/scripts/sanitizers"
  case "$SANITIZER" in
    address)
      export KRUMBOLT_CMAKE_ARGS="-DKRUMBOLT_SANITIZE=ON -DKRUMBOLT_BENCH=OFF"
      export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
      export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
      export LSAN_OPTIONS="suppressions=$SUPP/lsan.supp:print_suppressions=0"
      # The tests keep the software OpenGL driver loaded from their start (see tests/), so
      # that the leak check can still name its leaks as its own.
      ;;
    thread)
      export KRUMBOLT_CMAKE_ARGS="-DKRUMBOLT_TSAN=ON -DKRUMBOLT_BENCH=OFF"
      export TSAN_OPTIONS="suppressions=$SUPP/tsan.supp:halt_on_error=1:second_deadline_stack=1"
      ;;
    *)
      echo "KRUMBOLT_SANITIZER is address or thread, not $SANITIZER" >&2
      exit 2
      ;;
  esac
  export KRUMBOLT_BUILD_DIR=${KRUMBOLT_BUILD_DIR:-build-$SANITIZER}
  # Whole-program tests give a sanitized program more time.
  export KRUMBOLT_TEST_TIME_SCALE=${KRUMBOLT_TEST_TIME_SCALE:-4}
fi
scripts/build.sh
cd "${KRUMBOLT_BUILD_DIR:-build}"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
ctest --output-on-failure -j "$(nproc)" "$@"
cd - >/dev/null
if [ -z "$SANITIZER" ]; then scripts/fuzz.sh; fi
