#!/usr/bin/env bash
# `velmora-cli feed check` of a 10,000-item feed with Apple and Podcasting 2.0 fields, offline,
# beside `velmora-cli feed show` of the same file and `xmllint --noout` (a parse without
# rules), alternating, best wall time of 9 runs each and the CPU time (user + system, steadier on
# a busy machine). Target: the check takes at most 1.5 times what feed show takes.
set -euo pipefail
build="${VELMORA_BUILD:-build}"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$build/bench/feed/bench_feed_write" "$tmp/in.rss" 10000 53 ext >/dev/null
measure() { # prints "wall_ms cpu_ms"
  /usr/bin/time -f "%e %U %S" -o "$tmp/t" "$@" >/dev/null || true
  awk '{ printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000 }' "$tmp/t"
}
best_c=999999; best_s=999999; best_l=999999; cpu_c=999999; cpu_s=999999; cpu_l=999999
for run in 1 2 3 4 5 6 7 8 9; do
  read -r w c < <(measure "$build/src/cli/velmora-cli" feed check "$tmp/in.rss")
  (( w < best_c )) && best_c=$w; (( c < cpu_c )) && cpu_c=$c
  read -r w c < <(measure "$build/src/cli/velmora-cli" feed show "$tmp/in.rss")
  (( w < best_s )) && best_s=$w; (( c < cpu_s )) && cpu_s=$c
  read -r w c < <(measure xmllint --noout "$tmp/in.rss")
  (( w < best_l )) && best_l=$w; (( c < cpu_l )) && cpu_l=$c
done
"$build/src/cli/velmora-cli" feed check "$tmp/in.rss" | tail -1 | sed 's/^/feed check finds: /'
echo "feed: $(stat -c %s "$tmp/in.rss") bytes, 10000 items with directory fields, Windows-1252"
echo "velmora-cli feed check: wall ${best_c} ms, cpu ${cpu_c} ms (best of 9)"
echo "velmora-cli feed show:  wall ${best_s} ms, cpu ${cpu_s} ms (best of 9)"
echo "xmllint --noout:        wall ${best_l} ms, cpu ${cpu_l} ms (best of 9)"
awk -v c="$best_c" -v s="$best_s" -v cc="$cpu_c" -v cs="$cpu_s" 'BEGIN {
  printf "check / show: wall %.2f, cpu %.2f (target at most 1.5)\n", c / s, cc / cs }'
if (( best_c * 2 <= best_s * 3 || cpu_c * 2 <= cpu_s * 3 )); then echo "target met"; else echo "target MISSED"; exit 1; fi
