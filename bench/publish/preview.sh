#!/usr/bin/env bash
# Rendering a 10,000-episode feed with every bundled theme, beside reading the same feed.
# Target: rendering takes less time than reading. Run through scripts/bench (VELMORA_BUILD set).
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${VELMORA_BUILD:-build-bench}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

feed="$work/big.rss"
/usr/bin/python3 - "$feed" <<'PY'
import sys
count = 10000
with open(sys.argv[1], "w", encoding="utf-8") as f:
    f.write('<?xml version="1.0" encoding="utf-8"?>\n<rss version="2.0">\n<channel>\n')
    f.write("<title>Bench &amp; Co</title>\n<link>https://bench.example/</link>\n")
    f.write("<description>&lt;p&gt;A long-running show.&lt;/p&gt;</description>\n")
    f.write("<managingEditor>host@bench.example</managingEditor>\n")
    f.write("<pubDate>1 Dec 2026 08:30:00 GMT</pubDate>\n")
    months = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]
    for i in range(count):
        f.write("<item>\n")
        f.write(f"<title>Episode {count - i}: notes &amp; &lt;news&gt;</title>\n")
        f.write(f"<link>https://bench.example/e/{count - i}</link>\n")
        f.write("<description>&lt;p&gt;We talk about &lt;b&gt;tools&lt;/b&gt;, repairs and "
                "the week's mail. Show notes at the link.&lt;/p&gt;</description>\n")
        f.write(f"<pubDate>Tue, {1 + i % 28:02d} {months[i % 12]} {2026 - i // 400} "
                "08:30:00 GMT</pubDate>\n")
        f.write(f'<guid isPermaLink="false">BENCH-{i:08d}</guid>\n')
        if i % 5:
            f.write(f'<enclosure url="https://cdn.bench.example/{i}.mp3" length="1000" '
                    'type="audio/mpeg"/>\n')
        f.write("</item>\n")
    f.write("</channel>\n</rss>\n")
PY
echo "feed: $(du -h "$feed" | cut -f1), 10000 episodes"

status=0
"$build/bench/publish/bench_themerender" "$feed" resources/Themes || status=$?

# The same through the command line, end to end, as a user runs it.
cli="$build/src/cli/velmora-cli"
home="$work/home"
mkdir -p "$home"
cp -R resources/Themes "$home/Themes"
seconds() { local s=$EPOCHREALTIME; "$@" >/dev/null; awk -v s="$s" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.3f", e - s }'; }
if "$cli" feed show --help >/dev/null 2>&1; then
  echo "velmora-cli feed show:            $(seconds "$cli" feed show "$feed") s"
fi
echo "velmora-cli preview (read+render): $(seconds "$cli" preview "$feed" --home "$home") s"
exit $status
