#pragma once

#include "feed/FeedDocument.h"

#include <QByteArray>
#include <QString>

// The JSON form of a feed document used by velmora-cli:
//   { "channel": { every Channel field by name, "skipDays": [7 booleans, Sunday first],
//                  "skipHours": [24 booleans] },
//     "episodes": [ { every Episode field by name } ] }
// Keys come in the order the fields are declared. Lists of records are arrays of objects keyed
// by field name ("podcastPersons": [{"name": ..., "role": ...}], "itunesCategories":
// [{"text": ..., "subcategories": [...]}]); kept XML is "namespaces" ([{"prefix", "uri"}]),
// "keptElements" (markup strings), "keptAttributes" ([{"element", "name", "value"}]) and the
// channel's "keptImageElements".
namespace feedjson {

// `extra` is printed after "episodes", e.g. "\"encodingIndex\": 53" lines, without a comma.
QByteArray toJson(const FeedDocument& document, const QList<QPair<QString, int>>& extra = {});

// Fills the document from the JSON form. Missing fields are empty; "encodingIndex" and
// "feedType" at the top are accepted and ignored. An unknown key, a wrong type or a skip list
// of the wrong length fails with a one-line reason.
bool fromJson(const QByteArray& json, FeedDocument& document, QString* error);

} // namespace feedjson
