#!/usr/bin/env bash
# The desktop program starting with a 5,000-episode podcast as its last podcast, as a whole
# process (start, the window shown and painted with the podcast's list, the usual exit steps),
# timed by hyperfine beside `velmora-cli feed rewrite` of the same feed in the same run.
# Target: at most 1.5 x the rewrite (ratio of the medians; the minimums' ratio beside it).
# VELMORA_EXIT_WHEN_SHOWN makes the program end as soon as its window has been shown.
# The window goes to the offscreen platform unless QT_QPA_PLATFORM says otherwise (xcb under
# xvfb-run times the X connection too).
set -euo pipefail
build="${VELMORA_BUILD:-build-bench}"
runs="${BENCH_RUNS:-15}"
episodes="${BENCH_EPISODES:-5000}"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export VELMORA_HOME="$tmp/home" QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
mkdir -p "$VELMORA_HOME"
# The program opens the default sound device at start: a private sound server with a null sink
# stands in for the sound card (without one the start stops at "Can't initialize digital sound
# system").
pulse="$tmp/pulse"
mkdir -p -m 700 "$pulse"
export XDG_RUNTIME_DIR="$pulse" PULSE_RUNTIME_PATH="$pulse" PULSE_STATE_PATH="$pulse/state" \
  PULSE_SERVER="unix:$pulse/native"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=false --log-target=stderr \
  -L "module-null-sink sink_name=bench rate=44100 channels=2" \
  -L "module-native-protocol-unix socket=$pulse/native auth-anonymous=1" 2>"$tmp/pulse.log" &
pulse_pid=$!
trap 'kill "$pulse_pid" 2>/dev/null; rm -rf "$tmp"' EXIT
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { echo "the sound server did not start:"; cat "$tmp/pulse.log"; exit 1; }
gui="$build/src/gui/velmora"
cli="$build/src/cli/velmora-cli"
"$build/bench/feed/bench_feed_write" "$tmp/podcast.rss" "$episodes" 53 >/dev/null
"$cli" project add "$tmp/podcast.rss" >/dev/null
# The first start writes settings.ini; AutoSave off, so that no start saves the podcast again.
VELMORA_EXIT_WHEN_SHOWN=1 timeout 60 "$gui" >/dev/null 2>&1
sed -i 's/^AutoSave=.*/AutoSave=False/' "$VELMORA_HOME/settings.ini"
grep -q '^AutoSave=False' "$VELMORA_HOME/settings.ini" || { echo "settings.ini has no AutoSave"; exit 1; }
cp "$tmp/podcast.rss" "$tmp/before.rss"

hyperfine -N -w 2 -r "$runs" --export-json "$tmp/open.json" \
  "env VELMORA_EXIT_WHEN_SHOWN=1 $gui" "$cli feed rewrite $tmp/podcast.rss $tmp/out.rss" >/dev/null 2>&1
cmp -s "$tmp/podcast.rss" "$tmp/before.rss" || { echo "the program changed the podcast's file"; exit 1; }
/usr/bin/python3 - "$tmp/open.json" "$episodes" "$runs" <<'PY'
import json, sys
gui, cli = json.load(open(sys.argv[1]))["results"]
ratio, rmin = gui["median"] / cli["median"], gui["min"] / cli["min"]
ok = ratio <= 1.5
print(f"{sys.argv[2]} episodes, {sys.argv[3]} runs each")
print(f"velmora shown with the podcast / velmora-cli feed rewrite: median {gui['median']*1e3:.1f} ms vs"
      f" {cli['median']*1e3:.1f} ms = {ratio:.2f}x (min {gui['min']*1e3:.1f} vs {cli['min']*1e3:.1f} ="
      f" {rmin:.2f}x); target <= 1.5x: {'met' if ok else 'MISSED'}")
sys.exit(0 if ok else 1)
PY
