#!/usr/bin/env bash
# Whole-run benchmark of both programs, each piece of a frame alone, and the
# nearest equivalent jobs with ImageMagick and ffmpeg where they are
# installed. Prints per-frame wall times (median, min, max over RUNS runs)
# for a short batch and the marginal cost of one more frame in a long run,
# and peak memory.
#
#   bench/run_benchmarks.sh            # RUNS=5, work files in /tmp/frametools-bench
#   RUNS=3 BENCH_DIR=/some/dir bench/run_benchmarks.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
if [ ! -x "$build/bin/framehalver" ] || [ ! -x "$build/bench/time_command" ] ||
   [ ! -x "$build/bench/print_gaussian_weights" ]; then
  bash "$root/scripts/build.sh"
fi
work="${BENCH_DIR:-/tmp/frametools-bench}"
runs="${RUNS:-5}"
make_frames="$build/sample/make_sample_frames"
timer="$build/bench/time_command"
tools="$build/libexec/frametools"
mkdir -p "$work"

# Frame counts: a short batch, and a long run for the marginal cost.
short=2
batch=8
long=10

generate() {  # DIR ARGS...: a sequence, made once and kept between runs
  local dir=$1; shift
  if [ ! -f "$dir/.complete" ]; then
    rm -rf "$dir"; mkdir -p "$dir"
    (cd "$dir" && "$make_frames" "$@") && touch "$dir/.complete"
  fi
}
echo "generating sequences in $work (once) ..."
generate "$work/halve-photo" -photo 0 $((long - 1)) 5120 2880
generate "$work/halve-flat" -flat 0 $((long - 1)) 5120 2880
generate "$work/weave-photo" -photo 0 $((2 * long - 1)) 1440 270
generate "$work/weave-flat" -flat 0 $((2 * long - 1)) 1440 270

# time DIR COMMAND...: "median min max peak_self_kib peak_largest_kib"
time_in() { local dir=$1; shift; "$timer" -n "$runs" -C "$dir" -p "rm -f *.tif _tmp.ppm" -- "$@"; }

printf '\n%-44s %8s %8s %8s %10s %9s\n' "job" "median" "min" "max" "marginal" "peak MiB"
row() {  # LABEL FRAMES "short result" ["long result" LONG_FRAMES]
  local label=$1 frames=$2 r=($3)
  local marginal="-"
  if [ $# -ge 5 ]; then
    local l=($4)
    marginal=$(awk -v a="${r[0]}" -v b="${l[0]}" -v n="$frames" -v m="$5" 'BEGIN { printf "%.4f", (b - a) / (m - n) }')
  fi
  awk -v l="$label" -v n="$frames" -v med="${r[0]}" -v lo="${r[1]}" -v hi="${r[2]}" -v mg="$marginal" -v kib="${r[4]}" \
    'BEGIN { printf "%-44s %8.4f %8.4f %8.4f %10s %9.1f\n", l, med / n, lo / n, hi / n, mg, kib / 1024 }'
}

# series LABEL DIR COMMAND_FOR: times the batches of $short, $batch and $long
# output frames, where "COMMAND_FOR N" prints the shell command for N frames.
series() {
  local label=$1 dir=$2 command_for=$3
  local s b l
  s=$(time_in "$dir" sh -c "$($command_for $short)")
  b=$(time_in "$dir" sh -c "$($command_for $batch)")
  l=$(time_in "$dir" sh -c "$($command_for $long)")
  row "$label, $short frames" $short "$s" "$l" $long
  row "$label, $batch frames" $batch "$b"
}

halver_for() { echo "exec '$build/bin/framehalver' 0 $(($1 - 1)) 2>/dev/null"; }
weaver_for() { echo "exec '$build/bin/fieldweaver' 0 $((2 * $1 - 2)) 2>/dev/null"; }
echo "-- the programs (per output frame; marginal = (t$long - t$short) / $((long - short)))"
series "framehalver 5120x2880 photo" "$work/halve-photo" halver_for
series "framehalver 5120x2880 flat" "$work/halve-flat" halver_for
series "fieldweaver 1440x270 photo" "$work/weave-photo" weaver_for
series "fieldweaver 1440x270 flat" "$work/weave-flat" weaver_for

# Each piece of a frame alone, next to a plain cat of the same bytes.
echo "-- the pieces (one frame each)"
piece_dir="$work/pieces"
rm -rf "$piece_dir"; mkdir -p "$piece_dir"
cp "$work/halve-photo/im00000.gif" "$piece_dir/"
"$tools/gif2rgb" -1 -o "$piece_dir/frame.raw" "$piece_dir/im00000.gif"
row "gif2rgb 5120x2880 photo" 1 "$("$timer" -n "$runs" -C "$piece_dir" -p "rm -f out.raw" -- "$tools/gif2rgb" -1 -o out.raw im00000.gif)"
row "cat of its 44 MB raw output" 1 "$("$timer" -n "$runs" -C "$piece_dir" -p "rm -f out.raw" -- sh -c "cat frame.raw > out.raw")"

# The programs with the converters replaced by no-ops (the raw files made
# beforehand, del keeping them): the programs' own work per frame, with the
# three interpreter starts.
stub="$work/stub"
rm -rf "$stub"; mkdir -p "$stub/bin" "$stub/libexec/frametools"
cp "$build/bin/framehalver" "$build/bin/fieldweaver" "$stub/bin/"
for helper in gif2rgb raw2tiff del; do ln -s /bin/true "$stub/libexec/frametools/$helper"; done
own_dir="$work/own-halve"
rm -rf "$own_dir"; mkdir -p "$own_dir"
for ((n = 0; n < long; n++)); do
  name=$(printf 'im%05d' $n)
  "$tools/gif2rgb" -1 -o "$own_dir/$name.raw" "$work/halve-photo/$name.gif"
done
own_short=$("$timer" -n "$runs" -C "$own_dir" -- "$stub/bin/framehalver" 0 $((short - 1)))
own_long=$("$timer" -n "$runs" -C "$own_dir" -- "$stub/bin/framehalver" 0 $((long - 1)))
row "framehalver, converters as no-ops" $short "$own_short" "$own_long" $long
# _tmp.ppm stays behind (del is a no-op): the input of the TIFF converter.
cp "$own_dir/_tmp.ppm" "$piece_dir/frame.ppm"
row "raw2tiff 2560x1440 photo" 1 "$("$timer" -n "$runs" -C "$piece_dir" -p "rm -f out.tif" -- "$tools/raw2tiff" -c packbits frame.ppm out.tif)"
row "cat of its 11 MB PPM" 1 "$("$timer" -n "$runs" -C "$piece_dir" -p "rm -f out.ppm" -- sh -c "cat frame.ppm > out.ppm")"

own_weave="$work/own-weave"
rm -rf "$own_weave"; mkdir -p "$own_weave"
for ((n = 0; n < 2 * long; n++)); do
  name=$(printf 'im%05d' $n)
  "$tools/gif2rgb" -1 -o "$own_weave/$name.raw" "$work/weave-photo/$name.gif"
done
wshort=$("$timer" -n "$runs" -C "$own_weave" -- "$stub/bin/fieldweaver" 0 $((2 * short - 2)))
wlong=$("$timer" -n "$runs" -C "$own_weave" -- "$stub/bin/fieldweaver" 0 $((2 * long - 2)))
row "fieldweaver, converters as no-ops" $short "$wshort" "$wlong" $long
row "one interpreter start (sh -c true)" 1 "$("$timer" -n "$runs" -- sh -c true)"
row "one process start (/bin/true)" 1 "$("$timer" -n "$runs" -- /bin/true)"

# The nearest equivalent jobs with other tools, where installed.
magick=$(command -v convert-im6.q16 || command -v magick || command -v convert || true)
if [ -n "$magick" ]; then
  echo "-- ImageMagick ($magick), one convert per output frame"
  # framehalver's own weights
  read -r c e k < <("$build/bench/print_gaussian_weights")
  kernel="3x3: $k,$e,$k $e,$c,$e $k,$e,$k"
  im_halve() {
    echo "for i in \$(seq 0 $(($1 - 1))); do f=\$(printf im%05d \$i); $magick \$f.gif -morphology Convolve '$kernel' -sample 50% -compress RLE \$f.tif; done"
  }
  # Two fields halved horizontally and stacked: the same decodes, scaling and
  # TIFF writing as the weave, the rows stacked rather than interleaved.
  # (ImageMagick writes PackBits for "-compress RLE".)
  im_weave() {
    echo "for i in \$(seq 0 2 $((2 * $1 - 2))); do a=\$(printf im%05d \$i); b=\$(printf im%05d \$((i + 1))); $magick \$a.gif \$b.gif -sample 50%x100% -append -compress RLE \$a.tif; done"
  }
  series "ImageMagick halve 5120x2880 photo" "$work/halve-photo" im_halve
  series "ImageMagick weave 1440x270 photo" "$work/weave-photo" im_weave
fi
if command -v ffmpeg >/dev/null; then
  echo "-- ffmpeg, one process for the sequence"
  # 3x3 binomial kernel and 2:1 nearest-neighbour decimation, plane by plane.
  halve_filter="$work/ffmpeg-halve.filter"
  weave_filter="$work/ffmpeg-weave.filter"
  m="'1 2 1 2 4 2 1 2 1'"
  echo "format=gbrp,convolution=0m=$m:0rdiv=1/16:1m=$m:1rdiv=1/16:2m=$m:2rdiv=1/16,scale=iw/2:ih/2:flags=neighbor,format=rgb24" >"$halve_filter"
  echo "format=rgb24,scale=iw/2:ih:flags=bilinear,weave=first_field=top" >"$weave_filter"
  ff() {  # FILTER_SCRIPT FRAMES
    echo "ffmpeg -v error -y -f image2 -c:v gif -start_number 0 -i im%05d.gif -frames:v $2 -filter_script:v $1 -compression_algo packbits -start_number 0 out%05d.tif"
  }
  ff_halve() { ff "$halve_filter" "$1"; }
  ff_weave() { ff "$weave_filter" "$1"; }
  series "ffmpeg halve 5120x2880 photo" "$work/halve-photo" ff_halve
  series "ffmpeg weave 1440x270 photo" "$work/weave-photo" ff_weave
fi
