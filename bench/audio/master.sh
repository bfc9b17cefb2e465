#!/usr/bin/env bash
# Mastering a one-hour stereo 44.1 kHz MP3 (speech-like programme with a loud clap every few
# seconds) to a -16 LUFS / -1 dBTP MP3 at 128 kbit/s: velmora-cli audio master beside ffmpeg's
# two-pass loudnorm (a measuring pass with print_format=json, then linear normalisation with the
# measured values) and libmp3lame, in the same run. Targets: at most 0.8x ffmpeg's time, peak
# memory below 600 MB. Both results are measured with ffmpeg's ebur128 filter.
set -euo pipefail
build="${VELMORA_BUILD:-$PWD/build-bench}"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../gui/speech-like.bash"
work="$(mktemp -d "${TMPDIR:-/tmp}/velmora-bench-master.XXXXXX")"
trap 'rm -rf "$work"' EXIT
seconds="${MASTER_BENCH_SECONDS:-3600}"

cache="${XDG_CACHE_HOME:-$HOME/.cache}/velmora-bench"
input="$cache/master-speech-claps-${seconds}s.mp3"
if [ ! -s "$input" ]; then
  echo "generating ${seconds} s of speech-like stereo MP3 with claps..."
  mkdir -p "$cache"
  speech_like "$work/speech.wav" "$seconds"
  ffmpeg -nostdin -v error -y -i "$work/speech.wav" \
    -f lavfi -i "aevalsrc=exprs='0.8*(random(0)*2-1)*exp(-mod(t\,7)*70)':s=44100:d=${seconds}" \
    -filter_complex "[0]volume=0.35[a];[1]aformat=channel_layouts=stereo[b];[a][b]amix=inputs=2:normalize=0" \
    -c:a libmp3lame -b:a 128k "$input.part.mp3"
  mv "$input.part.mp3" "$input"
  rm -f "$work/speech.wav"
fi

seconds_of() { echo "$2 - $1" | bc; }
measure() {
  ffmpeg -nostdin -hide_banner -nostats -i "$1" -af ebur128=peak=true -f null - 2>&1 |
    awk '/I:/ {i=$2} /Peak:/ {p=$2} END {printf "I %s LUFS, true peak %s dBTP", i, p}'
}

run_ffmpeg() {
  local start end json
  start=$(date +%s.%N)
  json="$(ffmpeg -nostdin -hide_banner -nostats -i "$input" -af loudnorm=I=-16:TP=-1:LRA=11:print_format=json \
            -f null - 2>&1 | sed -n '/^{/,/^}/p')"
  local mi mtp mlra mth off
  mi=$(echo "$json" | sed -n 's/.*"input_i" : "\(.*\)".*/\1/p')
  mtp=$(echo "$json" | sed -n 's/.*"input_tp" : "\(.*\)".*/\1/p')
  mlra=$(echo "$json" | sed -n 's/.*"input_lra" : "\(.*\)".*/\1/p')
  mth=$(echo "$json" | sed -n 's/.*"input_thresh" : "\(.*\)".*/\1/p')
  off=$(echo "$json" | sed -n 's/.*"target_offset" : "\(.*\)".*/\1/p')
  ffmpeg -nostdin -v error -y -i "$input" \
    -af "loudnorm=I=-16:TP=-1:LRA=11:measured_I=$mi:measured_TP=$mtp:measured_LRA=$mlra:measured_thresh=$mth:offset=$off:linear=true,aresample=44100" \
    -c:a libmp3lame -b:a 128k "$work/ffmpeg.mp3"
  end=$(date +%s.%N)
  seconds_of "$start" "$end"
}

# ffmpeg runs before and after Velmora; the machine is shared, so the faster run counts.
first=$(run_ffmpeg)
start=$(date +%s.%N)
/usr/bin/time -f "%M" -o "$work/rss" "$build/src/cli/velmora-cli" audio master "$input" "$work/velmora.mp3" \
  --bitrate 128 --title "Benchmark" --chapter "00:00:00 Start" --chapter "00:30:00 Half time" >/dev/null
end=$(date +%s.%N)
velmora_time=$(seconds_of "$start" "$end")
second=$(run_ffmpeg)
ffmpeg_time=$(echo "if ($first < $second) $first else $second" | bc)
rss_mb=$(( $(cat "$work/rss") / 1024 ))

echo "input: ${seconds} s stereo 44.1 kHz MP3"
echo "ffmpeg loudnorm (two passes) + libmp3lame: ${ffmpeg_time} s (runs: ${first} s, ${second} s)"
echo "velmora-cli audio master:                 ${velmora_time} s, peak memory ${rss_mb} MB (target below 600 MB)"
echo "ratio: $(echo "scale=2; $velmora_time / $ffmpeg_time" | bc) (target at most 0.80)"
echo "ffmpeg result:  $(measure "$work/ffmpeg.mp3")"
echo "velmora result: $(measure "$work/velmora.mp3")"
