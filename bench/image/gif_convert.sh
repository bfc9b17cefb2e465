#!/usr/bin/env bash
# Converting a 2000 x 2000 photo-like BMP to GIF with the 216-colour halftone cube and no
# dithering (what the channel image's GIF saving does), beside ImageMagick doing the same work
# with its own fixed palette: convert IN +dither -remap netscape: OUT.gif. Best of three runs each.
set -euo pipefail
build="${VELMORA_BUILD:-build-bench}"
cli="$build/src/cli/velmora-cli"
[ -x "$cli" ] || { echo "velmora-cli not built in $build" >&2; exit 1; }
command -v convert >/dev/null || { echo "ImageMagick's convert is missing" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Photo-like: a plasma fractal (smooth areas, fine detail, every hue), fixed seed.
convert -seed 7 -size 2000x2000 plasma:fractal -type TrueColor "BMP3:$work/photo.bmp"

best() { # best wall time in ms of three runs of a command
  local best_ms=""
  for _ in 1 2 3; do
    local t0 t1 ms
    t0=$(date +%s%N)
    "$@" >/dev/null
    t1=$(date +%s%N)
    ms=$(( (t1 - t0) / 1000000 ))
    if [ -z "$best_ms" ] || [ "$ms" -lt "$best_ms" ]; then best_ms=$ms; fi
  done
  echo "$best_ms"
}

ours=$(best "$cli" image convert "$work/photo.bmp" "$work/ours.gif")
theirs=$(best convert "$work/photo.bmp" +dither -remap netscape: "$work/theirs.gif")

# Both must have given a 2000 x 2000 GIF of the cube colours.
[ "$(identify -format '%m %w %h' "$work/ours.gif")" = "GIF 2000 2000" ]
[ "$(identify -format '%m %w %h' "$work/theirs.gif")" = "GIF 2000 2000" ]
diff_pixels=$(compare -metric AE "$work/ours.gif" "$work/theirs.gif" null: 2>&1 || true)

printf 'BMP 2000x2000 -> GIF (halftone cube, no dither)\n'
printf '  velmora-cli image convert   %6d ms  %8d bytes\n' "$ours" "$(stat -c %s "$work/ours.gif")"
printf '  convert +dither -remap      %6d ms  %8d bytes\n' "$theirs" "$(stat -c %s "$work/theirs.gif")"
printf '  pixels that differ between the two GIFs: %s of 4000000\n' "$diff_pixels"
if [ "$ours" -lt "$theirs" ]; then
  printf '  target met: faster than ImageMagick (%s%% of its time)\n' "$(( ours * 100 / theirs ))"
else
  printf '  target MISSED: slower than ImageMagick\n'
  exit 1
fi
