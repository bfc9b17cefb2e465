#pragma once

#include <QString>

// The product's fixed names and addresses. Nothing else in the code spells them.
namespace product {

inline constexpr char kName[] = "Velmora";
inline constexpr int kVersionMajor = VELMORA_VERSION_MAJOR;
inline constexpr int kVersionMinor = VELMORA_VERSION_MINOR;
inline constexpr char kVersionString[] = VELMORA_VERSION_STRING;

// Base text of the main window's title.
inline constexpr char kBaseTitle[] = "Velmora (release candidate rc0)";

// Web address without the scheme: the about box prefixes "http://" itself.
inline constexpr char kWebHost[] = "velmora.example";
inline constexpr char kHomepage[] = "https://velmora.example/";
inline constexpr char kTutorialPage[] = "https://velmora.example/tutorial/";
inline constexpr char kSupportEmail[] = "support@velmora.example";

// The online feed validator; "/check?url=" and the feed address are appended.
inline constexpr char kFeedValidator[] = "https://validator.w3.org/feed";

// "Velmora 0.1.0", as printed by --version.
QString versionLine();

} // namespace product
