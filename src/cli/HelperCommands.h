#pragma once

#include <QStringList>

// Commands that need heavy libraries run in helper programs, so that every other command starts
// without loading them: velmora-cli-media (the audio codecs and Qt Gui: "audio", "image") and
// velmora-cli-net (Qt Network and what it pulls in: "ftp", "feed download") and
// velmora-cli-publish (the upload window's publish: Qt Network, the session and the image library). velmora-cli hands
// these commands to the helper with exec, so arguments, streams and exit codes are the helper's.
namespace cli_helpers {
inline constexpr char kMedia[] = "velmora-cli-media";
inline constexpr char kNet[] = "velmora-cli-net";
inline constexpr char kPublish[] = "velmora-cli-publish";
inline constexpr char kAudioSummary[] = "audio file info, conversion and track effects";
inline constexpr char kImageSummary[] = "image info, conversion (JPEG, GIF, BMP) and cover art";
inline constexpr char kPublishSummary[] = "publish a podcast with its saved upload settings";
inline constexpr char kFtpSummary[] = "run one FTP operation (ls, put, get, mkdir, rmdir, rm, mv, pwd)";
} // namespace cli_helpers

// Replaces this process with HELPER COMMAND ARGS...; returns only when that fails (exit code 1,
// with the reason on stderr).
int runInHelper(const char* helper, const char* command, const QStringList& args);
