#!/usr/bin/env bash
# Writing a 10,000-episode feed (build the document and its text, encode, write atomically)
# beside `xmllint --format` of the same file, alternating, best of 9 runs each (wall and CPU
# time, user + system). Target: no slower than xmllint.
set -euo pipefail
build="${VELMORA_BUILD:-build-bench}"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
measure() { # prints "wall_ms cpu_ms"
  /usr/bin/time -f "%e %U %S" -o "$tmp/t" "$@" >/dev/null
  awk '{ printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000 }' "$tmp/t"
}
best_w=999999; best_l=999999; cpu_w=999999; cpu_l=999999
for run in 1 2 3 4 5 6 7 8 9; do
  read -r w c < <(measure "$build/bench/feed/bench_feed_write" "$tmp/feed.rss" 10000 53)
  (( w < best_w )) && best_w=$w; (( c < cpu_w )) && cpu_w=$c
  read -r w c < <(measure sh -c "xmllint --format '$tmp/feed.rss' > '$tmp/lint.xml'")
  (( w < best_l )) && best_l=$w; (( c < cpu_l )) && cpu_l=$c
done
echo "feed: $(stat -c %s "$tmp/feed.rss") bytes, 10000 episodes, Windows-1252"
echo "velmora write (whole process): wall ${best_w} ms, cpu ${cpu_w} ms (best of 9); $("$build/bench/feed/bench_feed_write" "$tmp/feed.rss" 10000 53)"
echo "xmllint --format:              wall ${best_l} ms, cpu ${cpu_l} ms (best of 9)"
if (( best_w <= best_l || cpu_w <= cpu_l )); then echo "target met"; else echo "target MISSED"; exit 1; fi
