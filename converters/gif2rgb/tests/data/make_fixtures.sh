#!/bin/sh
# Regenerates the fixture GIFs and their expected .rgb bytes.
#
# The GIFs come from ImageMagick and gifsicle, not from our code. The expected
# bytes are ImageMagick's coalesced last frame, flattened onto the GIF's
# background colour (as gifsicle reports it): ImageMagick shows the bare
# screen and what disposal 2 clears as transparent, where gif2rgb shows the
# background colour, and nothing else differs.
#
# Needs imagemagick and gifsicle. Run from anywhere; writes next to itself.
set -eu
cd "$(dirname "$0")"
IM=/usr/bin/convert-im6.q16   # the real one, whatever wraps `convert`
[ -x "$IM" ] || IM=convert
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Photo-like source pictures; -seed keeps plasma repeatable.
$IM -seed 1 -size 23x17 plasma:fractal -colors 200 "$tmp/a.gif"
$IM -seed 2 -size 9x7 plasma:red-blue -colors 16 "$tmp/b.gif"
$IM -seed 3 -size 6x5 plasma:green-yellow -colors 8 "$tmp/c.gif"
$IM -seed 4 -size 21x19 plasma:fractal -colors 64 "$tmp/i.gif"

expect() {  # expect NAME
    info=$(gifsicle --color-info "$1.gif")
    index=$(printf '%s\n' "$info" | sed -n 's/^  background \([0-9]*\)$/\1/p')
    bg=$(printf '%s\n' "$info" | sed -n '/global color table/,/image #/p' |
         tr -s ' ' '\n' | grep -A1 -x "$index:" | tail -1)
    $IM "$1.gif" -coalesce -delete 0--2 -background "$bg" -alpha remove -alpha off \
        -depth 8 "rgb:$1.rgb"
}

# One image covering the screen.
gifsicle "$tmp/a.gif" > plain.gif
expect plain

# Interlaced, height 19 so every pass ends part-way.
gifsicle -i "$tmp/i.gif" > interlaced.gif
expect interlaced

# Second image with its own (local) colour table over the first.
# (gifsicle would merge the tables; ImageMagick keeps the second one local.)
$IM "$tmp/a.gif" \( "$tmp/b.gif" -repage 23x17+3+2 \) local_table.gif
expect local_table

# Image smaller than the screen, offset: the rest stays background.
gifsicle -S 30x20 -p 7,5 "$tmp/b.gif" > offset.gif
expect offset

# Second image partly transparent (its most common colour) over the first.
common=$($IM "$tmp/b.gif" -format %c histogram:info:- | sort -rn | head -1 |
         sed 's/.*\(#[0-9A-Fa-f]\{6\}\).*/\1/')
gifsicle "$tmp/a.gif" -p 4,3 -t "$common" "$tmp/b.gif" > transparent.gif
expect transparent

# Disposal 2: the second image's rectangle goes back to background before
# the third is painted.
gifsicle "$tmp/a.gif" -D background -p 2,2 "$tmp/b.gif" -D none -p 8,6 \
    "$tmp/c.gif" > dispose_background.gif
expect dispose_background

# Disposal 3: the second image's rectangle goes back to what was under it.
gifsicle "$tmp/a.gif" -D previous -p 2,2 "$tmp/b.gif" -D none -p 8,6 \
    "$tmp/c.gif" > dispose_previous.gif
expect dispose_previous

# Disposal 2 on the last image: it stays, since nothing comes after it.
gifsicle "$tmp/a.gif" -D background -p 2,2 "$tmp/b.gif" > dispose_last.gif
expect dispose_last
