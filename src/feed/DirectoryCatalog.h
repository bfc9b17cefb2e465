#pragma once

#include "feed/Channel.h"
#include "feed/Episode.h"

#include <QString>
#include <QStringList>

#include <span>

// The directory text fields one by one, with what the windows and the command line need to
// offer them: the JSON key (also the command-line option, "itunesOwnerEmail" is
// "--itunes-owner-email"), the caption, the values a list offers and the check of a typed value.
namespace dircatalog {

template <class R>
struct TextField {
    const char* key;
    const char* label;             // caption beside the field: "Owner e-mail:"
    QString R::*member;
    QString (*check)(const QString&); // nullptr: any text
    const char* choices;           // "episodic|serial": a list offers these (and empty); or nullptr

    QStringList choiceList() const;
    // Why the value is wrong; empty when it is fine.
    QString reason(const QString& value) const;
};

std::span<const TextField<Channel>> channelFields();
std::span<const TextField<Episode>> episodeFields();
const TextField<Channel>* channelField(const QString& key);
const TextField<Episode>* episodeField(const QString& key);

// "itunesOwnerEmail" → "itunes-owner-email" (without the dashes in front).
QString optionName(const char* key);

} // namespace dircatalog
