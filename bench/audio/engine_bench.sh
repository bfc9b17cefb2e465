#!/usr/bin/env bash
# One-hour stereo 44.1 kHz MP3: open + normalize + save as MP3 with the track engine, beside
# ffmpeg doing a volume change and MP3 encode of the same file; peak memory; undo time.
# Targets: within 1.3x of ffmpeg's time, max RSS below 1 GB, undo under a second.
set -euo pipefail
build="${VELMORA_BUILD:-$PWD/build-bench}"
work="$(mktemp -d "${TMPDIR:-/tmp}/velmora-bench-audio.XXXXXX")"
trap 'rm -rf "$work"' EXIT
seconds="${AUDIO_BENCH_SECONDS:-3600}"

# The generated input is kept between runs (it takes minutes to encode).
cache="${XDG_CACHE_HOME:-$HOME/.cache}/velmora-bench"
input="$cache/stereo-44100-${seconds}s.mp3"
if [ ! -s "$input" ]; then
  echo "generating ${seconds} s of stereo 44.1 kHz MP3..."
  mkdir -p "$cache"
  ffmpeg -nostdin -v error -f lavfi -i "sine=frequency=220:duration=${seconds}:sample_rate=44100" \
    -f lavfi -i "anoisesrc=color=pink:amplitude=0.05:duration=${seconds}:sample_rate=44100" \
    -filter_complex "[0][1]amix=inputs=2,volume=0.5,aformat=channel_layouts=stereo" \
    -c:a libmp3lame -b:a 128k -f mp3 "$input.part"
  mv "$input.part" "$input"
fi
cp "$input" "$work/in.mp3"

run_ffmpeg() {
  local start end
  start=$(date +%s.%N)
  ffmpeg -nostdin -v error -y -i "$work/in.mp3" -af volume=1.8 -c:a libmp3lame -b:a 96k "$work/ffmpeg.mp3"
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}

# ffmpeg runs before and after the engine; the machine is shared, so the faster run counts.
first=$(run_ffmpeg)
mkdir -p "$work/temp"
start=$(date +%s.%N)
"$build/bench/audio/bench_audio" "$work/in.mp3" "$work/velmora.mp3" "$work/temp" | tee "$work/report.txt"
end=$(date +%s.%N)
velmora_time=$(echo "$end - $start" | bc)
second=$(run_ffmpeg)
ffmpeg_time=$(echo "if ($first < $second) $first else $second" | bc)

echo "ffmpeg volume + mp3: ${ffmpeg_time} s (runs: ${first} s, ${second} s)"
echo "velmora whole run:   ${velmora_time} s"
echo "ratio: $(echo "scale=2; $velmora_time / $ffmpeg_time" | bc)"
left=$(find "$work/temp" -mindepth 1 | wc -l)
echo "files left in the temporary folder: $left"
