#!/usr/bin/env bash
# `velmora-cli feed rewrite` of a 10,000-item feed (read, decode, parse, write) beside
# `xmllint --format` of the same file, alternating, best wall time of 9 runs each and the CPU
# time (user + system, steadier on a busy machine). Target: no slower than xmllint.
set -euo pipefail
build="${VELMORA_BUILD:-build-bench}"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$build/bench/feed/bench_feed_write" "$tmp/in.rss" 10000 53 >/dev/null
measure() { # prints "wall_ms cpu_ms"
  /usr/bin/time -f "%e %U %S" -o "$tmp/t" "$@" >/dev/null
  awk '{ printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000 }' "$tmp/t"
}
best_r=999999; best_l=999999; cpu_r=999999; cpu_l=999999
for run in 1 2 3 4 5 6 7 8 9; do
  read -r w c < <(measure "$build/src/cli/velmora-cli" feed rewrite "$tmp/in.rss" "$tmp/out.rss")
  (( w < best_r )) && best_r=$w; (( c < cpu_r )) && cpu_r=$c
  read -r w c < <(measure sh -c "xmllint --format '$tmp/in.rss' > '$tmp/lint.xml'")
  (( w < best_l )) && best_l=$w; (( c < cpu_l )) && cpu_l=$c
done
cmp -s "$tmp/in.rss" "$tmp/out.rss" && echo "rewrite output is byte-identical to its input"
echo "feed: $(stat -c %s "$tmp/in.rss") bytes, 10000 items, Windows-1252"
echo "velmora-cli feed rewrite: wall ${best_r} ms, cpu ${cpu_r} ms (best of 9)"
echo "xmllint --format:         wall ${best_l} ms, cpu ${cpu_l} ms (best of 9)"
if (( best_r <= best_l || cpu_r <= cpu_l )); then echo "target met"; else echo "target MISSED"; exit 1; fi
