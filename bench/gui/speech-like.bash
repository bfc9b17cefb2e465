# Sourced by the track benchmarks and screenshot runs: speech_like OUT SECONDS writes a stereo
# 44.1 kHz 16-bit WAV that sounds and looks like speech (voiced syllables with a moving pitch,
# noise bursts between them, phrase pauses, a little room echo). Two minutes are synthesised and
# looped to the length asked for.
speech_like() {
  local out="$1" seconds="$2" piece
  piece="$(mktemp --suffix=.wav)"
  local ph='2*PI*(130*t-9.549*cos(PI*t)-0.77*cos(6.2*PI*t))'
  local voice="sin($ph)+0.8*sin(2*$ph)+(0.5+0.4*sin(2*PI*1.3*t))*sin(3*$ph)+0.5*sin(4*$ph)+(0.3+0.25*sin(2*PI*0.9*t))*sin(5*$ph)+0.2*sin(7*$ph)+0.1*sin(9*$ph)"
  local syllable='pow(sin(PI*mod(t*3.7,1)),2)'
  local fricative='(random(0)*2-1)*pow(sin(PI*mod(t*3.7+0.5,1)),8)*gt(sin(2*PI*t*0.61),0.3)'
  local phrase='gt(sin(2*PI*t/4.3)+0.45*sin(2*PI*t/1.7)+0.2,0)'
  local expr="0.22*(0.8+0.2*sin(2*PI*t/97))*$phrase*($syllable*($voice)+0.5*$fricative)"
  ffmpeg -nostdin -v error -y -f lavfi -i "aevalsrc=exprs='$expr':s=44100:d=120" \
    -af "aecho=0.8:0.6:35|61:0.22|0.12,pan=stereo|c0=c0|c1=0.85*c0,alimiter=limit=0.93:level=false,aformat=sample_fmts=s16" "$piece"
  ffmpeg -nostdin -v error -y -stream_loop -1 -i "$piece" -t "$seconds" -c:a pcm_s16le "$out"
  rm -f "$piece"
}
