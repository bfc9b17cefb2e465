#pragma once

// What the file writer uses for the compressed formats. The editor sets the four values in order
// (96, 32000, 160, 2) before every save.
struct EncoderSettings {
    int bitrateKbps = 96;       // MP3 constant bitrate, kbit/s; Ogg Vorbis quality (bitrate - 64) / 16
    int wmaBitrate = 32000;     // WMA, bit/s
    int mp2BitrateKbps = 160;   // MP2, kbit/s
    int maxChannels = 2;        // 2 keeps a stereo track stereo; 1 writes every format in mono
    int mp3VbrQuality = -1;     // 0 (best) .. 9: MP3 in variable bitrate at that quality; -1: constant bitrate

    EncoderSettings() = default;
    EncoderSettings(int first, int second, int third, int fourth)
        : bitrateKbps(first), wmaBitrate(second), mp2BitrateKbps(third), maxChannels(fourth) {}
    bool operator==(const EncoderSettings&) const = default;
};
