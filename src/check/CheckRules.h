#pragma once

#include "check/Finding.h"

#include <QString>
#include <QStringList>

#include <span>

// Every rule of the feed check, by id. The id names the rule in reports, in --rules and in
// docs/check.md; the severity is the rule's own, whatever found it.
namespace checkrules {

// Which family a rule belongs to; --rules picks families.
enum Group : unsigned { Xml = 1, Rss = 2, Apple = 4, Podcast = 8, Online = 16 };
inline constexpr unsigned kAllGroups = Xml | Rss | Apple | Podcast | Online;

struct Rule {
    const char* id;
    Severity severity;
    Group group;
    const char* summary; // what the rule asks for, one line
};

std::span<const Rule> all();
// The rule with that id, or nullptr.
const Rule* find(const QString& id);

// "rss,apple,p20" → groups; xml is always on, online only when asked for. Unknown names go to
// `unknown` and give 0.
unsigned parseGroups(const QString& list, QString* unknown = nullptr);

} // namespace checkrules
