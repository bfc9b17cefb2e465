#!/usr/bin/env bash
# Recording on a loaded machine: a private PulseAudio server plays a known 8 s tone into a null
# sink while twice as many busy loops as cores run; the track recorder (bench_record, with the
# default buffers) and parec, the reference, record the sink's monitor at the same time.
# Target: the tone is as long in Velmora's recording as in parec's (within 10 ms: nothing
# dropped), and Velmora reports nothing lost. RECORD_STALL_MS=30000 freezes the recorder for that
# long in the middle, past what the sound server holds for it (about 23 s): then the loss must
# show and be told.
set -euo pipefail
build="${VELMORA_BUILD:-$PWD/build-bench}"
work="$(mktemp -d "${TMPDIR:-/tmp}/velmora-bench-record.XXXXXX")"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

for tool in pulseaudio pactl pacat parec ffmpeg python3; do
  command -v "$tool" >/dev/null || { echo "record_under_load: $tool is missing (scripts/install-deps)"; exit 1; }
done

# Everything the server keeps stays in the work folder; no user session is touched.
export HOME="$work" XDG_RUNTIME_DIR="$work" XDG_CONFIG_HOME="$work/config" PULSE_RUNTIME_PATH="$work"
export PULSE_STATE_PATH="$work/state" PULSE_SERVER="unix:$work/native"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=false --disallow-exit=false \
  -L "module-null-sink sink_name=bench_sink rate=44100 channels=2" \
  -L "module-remap-source master=bench_sink.monitor source_name=bench_mic" \
  -L "module-native-protocol-unix socket=$work/native auth-anonymous=1" 2>"$work/server.log" &
pids+=($!)
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink bench_sink
pactl set-default-source bench_mic
# A client asking for 20 ms keeps the null sink rendering in short blocks, as a card's clock does.
pacat --playback --latency-msec=20 --raw --format=s16le --rate=44100 --channels=2 </dev/zero &
pids+=($!)
timeout 5 parec --device=bench_mic --latency-msec=20 --raw | head -c 17640 >/dev/null || true

ffmpeg -nostdin -v error -f lavfi -i "aevalsrc=0.5*sin(2*PI*1000*t):s=44100:d=8" \
  -af "adelay=1000|1000,apad=pad_dur=1" -ac 2 -f s16le "$work/tone.raw"

load=()
for _ in $(seq $(( 2 * $(nproc) ))); do (while :; do :; done) & load+=($!); done
pids+=("${load[@]}")

parec --device=bench_mic --latency-msec=50 --raw --format=s16le --rate=44100 --channels=2 >"$work/parec.raw" &
parec_pid=$!
pids+=("$parec_pid")
mkdir -p "$work/temp"
"$build/bench/audio/bench_record" 12 "$work/velmora.wav" "$work/temp" >"$work/report.txt" &
velmora_pid=$!
sleep 0.5
if [ -n "${RECORD_STALL_MS:-}" ]; then
  # Freezes the recorder in the middle of the tone, to show that a real loss is seen and told.
  ( sleep 4; kill -STOP "$velmora_pid"; sleep "$(echo "scale=3; $RECORD_STALL_MS / 1000" | bc)"; kill -CONT "$velmora_pid" ) &
fi
pacat --playback --raw --format=s16le --rate=44100 --channels=2 "$work/tone.raw"
wait "$velmora_pid"
kill "$parec_pid" "${load[@]}" 2>/dev/null || true

cat "$work/report.txt"
python3 - "$work/velmora.wav" "$work/parec.raw" "$work/report.txt" <<'PY'
import array, re, sys, wave

def tone_span(samples):
    # First and last frame of the tone (left channel above a quarter of full scale).
    loud = [i for i in range(0, len(samples), 2) if abs(samples[i]) > 8192]
    return (loud[0] // 2, loud[-1] // 2) if loud else (0, -1)

with wave.open(sys.argv[1]) as w:
    ours = array.array("h", w.readframes(w.getnframes()))
ref = array.array("h", open(sys.argv[2], "rb").read())
report = open(sys.argv[3]).read()
recorded, clock = map(float, re.search(r"recorded ([0-9.]+) s in ([0-9.]+) s", report).groups())
told = int(re.search(r"reported lost ([0-9]+) ms", report).group(1))
a, b = tone_span(ours)
c, d = tone_span(ref)
velmora_ms = (b - a) * 1000 / 44100
parec_ms = (d - c) * 1000 / 44100
short_ms = (clock - recorded) * 1000
print(f"tone in velmora's recording: {velmora_ms:.1f} ms")
print(f"tone in parec's recording:   {parec_ms:.1f} ms (played: 8000 ms)")
print(f"recording shorter than the clock by {short_ms:.0f} ms; the recorder told {told} ms lost")
intact = abs(velmora_ms - parec_ms) <= 10 and short_ms <= 100
print("nothing dropped" if intact else "SAMPLES DROPPED" + (" and told" if told > 0 else " and NOT told"))
sys.exit(0 if intact else 1)
PY
