#!/usr/bin/env bash
# Whole processes, start to exit, timed by hyperfine beside the reference tool in the same run:
#   velmora-cli home                          at most 15 ms (xmllint --version shown beside it)
#   feed rewrite of a 10,000-item feed         at most 0.6 x xmllint --format of the same file
#   feed write of 10,000 episodes (from JSON)  at most 0.5 x xmllint --format of its output
# Ratios are of the medians; the minimum's ratio is printed beside them (steadier on a busy machine).
set -euo pipefail
build="${VELMORA_BUILD:-build-bench}"
cli="$build/src/cli/velmora-cli"
runs="${BENCH_RUNS:-20}"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export VELMORA_HOME="$tmp/home"
mkdir -p "$VELMORA_HOME"
"$build/bench/feed/bench_feed_write" "$tmp/in.rss" 10000 53 >/dev/null
"$cli" feed show "$tmp/in.rss" >"$tmp/doc.json"
"$cli" feed write --from "$tmp/doc.json" --out "$tmp/written.rss"

# bench NAME CMD REF-CMD: runs both, prints "name median_ms min_ms ref_median_ms ref_min_ms"
bench() {
  hyperfine -N -w 3 -r "$runs" --export-json "$tmp/$1.json" "$2" "$3" >/dev/null 2>&1
  /usr/bin/python3 - "$tmp/$1.json" "$1" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))["results"]
print(sys.argv[2], *("%.1f %.1f" % (x["median"] * 1e3, x["min"] * 1e3) for x in r))
PY
}
status=0
report() { # name median min ref_median ref_min limit(ratio or "abs:ms")
  /usr/bin/python3 - "$@" <<'PY' || status=1
import sys
name, med, mn, rmed, rmn, limit = sys.argv[1], *map(float, sys.argv[2:6]), sys.argv[6]
if limit.startswith("abs:"):
    ok = med <= float(limit[4:])
    print(f"{name}: median {med:.1f} ms, min {mn:.1f} ms; reference median {rmed:.1f} ms, min {rmn:.1f} ms;"
          f" target <= {limit[4:]} ms: {'met' if ok else 'MISSED'}")
else:
    ratio, rmin = med / rmed, mn / rmn
    ok = ratio <= float(limit)
    print(f"{name}: median {med:.1f} ms vs {rmed:.1f} ms = {ratio:.2f}x (min {mn:.1f} vs {rmn:.1f} = {rmin:.2f}x);"
          f" target <= {limit}x: {'met' if ok else 'MISSED'}")
sys.exit(0 if ok else 1)
PY
}
echo "feed: $(stat -c %s "$tmp/in.rss") bytes, 10000 items, Windows-1252; $runs runs each"
read -r n a b c d < <(bench home "$cli home" "xmllint --version")
report "velmora-cli home (beside xmllint --version)" "$a" "$b" "$c" "$d" abs:15
read -r n a b c d < <(bench rewrite "$cli feed rewrite $tmp/in.rss $tmp/out.rss" \
  "xmllint --format $tmp/in.rss --output $tmp/lint.xml")
report "feed rewrite / xmllint --format" "$a" "$b" "$c" "$d" 0.6
cmp -s "$tmp/in.rss" "$tmp/out.rss" || { echo "rewrite output differs from its input"; status=1; }
read -r n a b c d < <(bench write "$cli feed write --from $tmp/doc.json --out $tmp/written.rss" \
  "xmllint --format $tmp/written.rss --output $tmp/lint2.xml")
report "feed write / xmllint --format of its output" "$a" "$b" "$c" "$d" 0.5
exit $status
