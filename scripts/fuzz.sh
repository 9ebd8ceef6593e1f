#!/usr/bin/env bash
# Builds the libFuzzer targets in fuzz/ with clang and runs each for a few seconds.
# Skipped (successfully) when clang or its fuzzer runtime is not installed.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${FUZZ_SECONDS:-8}
CXX_FUZZ=$(command -v clang++ || true)
if [ -z "$CXX_FUZZ" ]; then
  echo "fuzz: clang++ not installed, skipped"
  exit 0
fi
BUILD_DIR=${KRUMBOLT_BUILD_DIR:-build}
OUT=$BUILD_DIR/fuzz
mkdir -p "$OUT"
SOURCES="src/engine/kvnode.cpp src/engine/contentlimits.cpp src/engine/dataarchive.cpp src/engine/wavefile.cpp src/engine/effectfile.cpp
  src/platform/text.cpp src/platform/files.cpp src/platform/effect.cpp src/platform/effect_null.cpp
  src/platform/font.cpp src/platform/glyph_atlas.cpp src/platform/text_layout.cpp src/platform/image_write.cpp"
FLAGS="-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -Isrc -I/usr/include/stb
  $(pkg-config --cflags freetype2)"
LIBS="$(pkg-config --libs freetype2 stb)"
for target in fuzz/*_fuzz.cpp; do
  name=$(basename "$target" .cpp)
  # A target names the further sources it needs on "// fuzz-sources:" lines.
  EXTRA=$(sed -n 's|^// fuzz-sources: ||p' "$target" | tr '\n' ' ')
  # ... and further compiler flags on "// fuzz-flags:" lines.
  EXTRA_FLAGS=$(sed -n 's|^// fuzz-flags: ||p' "$target" | tr '\n' ' ')
  if ! $CXX_FUZZ $FLAGS $EXTRA_FLAGS "$target" $SOURCES $EXTRA $LIBS -o "$OUT/$name" 2>"$OUT/$name.log"; then
    if grep -q "libclang_rt.fuzzer\|cannot find" "$OUT/$name.log"; then
      echo "fuzz: the clang fuzzer runtime is missing, skipped"
      exit 0
    fi
    cat "$OUT/$name.log"
    exit 1
  fi
  mkdir -p "$OUT/$name.corpus"
  echo "fuzz: $name for ${SECONDS_EACH}s"
  # Seed inputs kept beside a target (fuzz/NAME.seeds/) are read as a second corpus, and the
  # shipped files it names on "// fuzz-seeds:" lines (globs from the repository's root, $BUILD
  # for files the build makes) as a third.
  SEEDS=""
  if [ -d "fuzz/$name.seeds" ]; then SEEDS="fuzz/$name.seeds"; fi
  SHIPPED="$OUT/$name.shipped"
  rm -rf "$SHIPPED"
  mkdir -p "$SHIPPED"
  for pattern in $(sed -n 's|^// fuzz-seeds: ||p' "$target" | sed "s|\$BUILD|$BUILD_DIR|g"); do
    for file in $pattern; do
      if [ -f "$file" ]; then cp "$file" "$SHIPPED/$(echo "$file" | tr '/' '_')"; fi
    done
  done
  SEEDS="$SEEDS $SHIPPED"
  "$OUT/$name" -max_total_time="$SECONDS_EACH" -rss_limit_mb=2048 -print_final_stats=0 \
    "$OUT/$name.corpus" $SEEDS > "$OUT/$name.run.log" 2>&1 || { tail -50 "$OUT/$name.run.log"; exit 1; }
done
