#pragma once

// Error codes of the audio system, numbered as the audio library the program was first written
// for numbered them, so that messages ("error code: 23") keep their meaning for support.
namespace audio_error {
inline constexpr int kOk = 0;
inline constexpr int kMemory = 1;      // out of memory
inline constexpr int kFileOpen = 2;    // the file could not be opened
inline constexpr int kDriver = 3;      // no usable driver
inline constexpr int kHandle = 5;      // invalid handle
inline constexpr int kFormat = 6;      // unsupported sample format
inline constexpr int kInit = 8;        // the system was not initialised
inline constexpr int kStart = 9;       // playback could not start
inline constexpr int kAlready = 14;    // already initialised
inline constexpr int kNotAudio = 17;   // the file holds no audio
inline constexpr int kDevice = 23;     // no such device (also: no output device at all)
inline constexpr int kNotAvail = 37;   // not available
inline constexpr int kFileForm = 41;   // unsupported file format
inline constexpr int kUnknown = -1;
} // namespace audio_error
