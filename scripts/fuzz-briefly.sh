#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, with ASan and UBSan) and runs each for
# a fixed time over its committed corpus and regression files. Fails on any
# crash, leak, sanitizer report or hang.
#   scripts/fuzz-briefly.sh [SECONDS_PER_TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-45}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFRAMETOOLS_FUZZ=ON \
  -DFRAMETOOLS_SANITIZE=ON -DFRAMETOOLS_TESTS=OFF -DFRAMETOOLS_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" >/dev/null

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# target, corpus, regression files
targets=(
  "framelib/fuzz_frame_args framelib/fuzz/corpus framelib/fuzz/regressions"
  "converters/gif2rgb/fuzz_gif2rgb converters/gif2rgb/fuzz/corpus converters/gif2rgb/tests/regressions"
  "converters/raw2tiff/fuzz_raw2tiff_ppm converters/raw2tiff/fuzz/corpus/ppm converters/raw2tiff/tests/regressions/ppm"
  "converters/raw2tiff/fuzz_raw2tiff_packbits converters/raw2tiff/fuzz/corpus/packbits converters/raw2tiff/tests/regressions/packbits"
)
for entry in "${targets[@]}"; do
  read -r target corpus regressions <<<"$entry"
  work="$scratch/$(basename "$target")"
  mkdir -p "$work"
  cp "$corpus"/* "$work"/
  # Each regression folder holds a README saying what goes there: not an input.
  if [ -d "$regressions" ]; then
    find "$regressions" -maxdepth 1 -type f ! -name README -exec cp {} "$work"/ \;
  fi
  echo "== fuzzing $(basename "$target") for ${seconds}s"
  # The corpus copy grows; the committed one stays as it is.
  "build-fuzz/$target" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2560 \
    -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="$scratch/" "$work" 2>&1 | tail -n 4
done
