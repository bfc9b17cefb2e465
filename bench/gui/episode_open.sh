#!/usr/bin/env bash
# Opening a one-hour stereo 44.1 kHz WAV into the episode editor's track (the engine's open that
# the window runs, with the view built and painted once), beside `velmora-cli audio convert` of
# the same file to WAV (decode plus write) in the same run. Prints both times in ms.
set -euo pipefail
build="${VELMORA_BUILD:-$PWD/build-bench}"
here="$(cd "$(dirname "$0")" && pwd)"
seconds="${TRACK_BENCH_SECONDS:-3600}"
source "$here/speech-like.bash"
cache="${XDG_CACHE_HOME:-$HOME/.cache}/velmora-bench"
input="$cache/speech-like-${seconds}s.wav"
if [ ! -s "$input" ]; then
  mkdir -p "$cache"
  speech_like "$input.part.wav" "$seconds"
  mv "$input.part.wav" "$input"
fi
work="$(mktemp -d "${TMPDIR:-/tmp}/velmora-bench-open.XXXXXX")"
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
for run in 1 2 3; do
  window=$("$build/bench/gui/bench_trackview" "$input" 1 2>/dev/null | awk '/^opened/ { print $(NF-1) }')
  start=$(date +%s%N)
  "$build/src/cli/velmora-cli" audio convert "$input" "$work/out.wav" >/dev/null
  cli=$(( ($(date +%s%N) - start) / 1000000 ))
  echo "run $run: open into the track ${window} ms, velmora-cli audio convert ${cli} ms"
done
