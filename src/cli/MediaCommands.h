#pragma once

// The audio and image commands run in a helper program, velmora-cli-media, which alone links the
// audio codecs and Qt Gui: every other command starts without loading them. velmora-cli hands
// these commands to the helper with exec, so arguments, streams and exit codes are the helper's.
namespace media_commands {
inline constexpr char kHelperName[] = "velmora-cli-media";
inline constexpr char kAudioSummary[] = "audio file info, conversion and track effects";
inline constexpr char kImageSummary[] = "image info and conversion (JPEG, GIF, BMP)";
} // namespace media_commands
