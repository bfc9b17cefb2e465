#!/usr/bin/env bash
# Opening and saving a 10,000-item feed full of directory and other extension elements
# (`velmora-cli feed rewrite`: read, decode, parse, keep what has no field, write) beside the same
# feed without them, alternating, best wall and CPU time (user + system) of 9 runs each.
# Target: the feed with extensions within 1.5x of the one without.
set -euo pipefail
build="${VELMORA_BUILD:-build-bench}"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$build/bench/feed/bench_feed_write" "$tmp/plain.rss" 10000 53 >/dev/null
"$build/bench/feed/bench_feed_write" "$tmp/ext.rss" 10000 53 ext >/dev/null
measure() { # prints "wall_ms cpu_ms"
  /usr/bin/time -f "%e %U %S" -o "$tmp/t" "$@" >/dev/null
  awk '{ printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000 }' "$tmp/t"
}
best_p=999999; best_e=999999; cpu_p=999999; cpu_e=999999
for run in 1 2 3 4 5 6 7 8 9; do
  read -r w c < <(measure "$build/src/cli/velmora-cli" feed rewrite "$tmp/plain.rss" "$tmp/plain-out.rss")
  (( w < best_p )) && best_p=$w; (( c < cpu_p )) && cpu_p=$c
  read -r w c < <(measure "$build/src/cli/velmora-cli" feed rewrite "$tmp/ext.rss" "$tmp/ext-out.rss")
  (( w < best_e )) && best_e=$w; (( c < cpu_e )) && cpu_e=$c
done
cmp -s "$tmp/ext.rss" "$tmp/ext-out.rss" && echo "the feed with extensions is written back byte for byte"
echo "without extensions: $(stat -c %s "$tmp/plain.rss") bytes; wall ${best_p} ms, cpu ${cpu_p} ms (best of 9)"
echo "with extensions:    $(stat -c %s "$tmp/ext.rss") bytes; wall ${best_e} ms, cpu ${cpu_e} ms (best of 9)"
awk -v w="$best_e" -v p="$best_p" -v c="$cpu_e" -v q="$cpu_p" \
  'BEGIN { printf "ratio: wall %.2f, cpu %.2f\n", w / p, c / q; exit !(w <= 1.5 * p || c <= 1.5 * q) }' \
  && echo "target met" || { echo "target MISSED"; exit 1; }
