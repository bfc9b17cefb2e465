#pragma once

#include "feed/Channel.h"
#include "feed/Episode.h"
#include "publish/ThemeTemplate.h"

#include <QList>
#include <QString>

class FeedDocument;
class ThemeList;

struct ThemeRenderResult {
    bool ok = false;
    QString pagePath; // the page written, when ok
    QString error;    // what went wrong, for the user, when not ok
};

// Turns the feed document into an HTML page through a theme's template.
//
// Text fields (titles, author, links, dates) are HTML-escaped; the channel and episode
// descriptions are HTML already and go in as they are. The theme folder and the channel image
// become file URLs, so paths with blanks or "#" work in a browser.
class ThemeRenderer {
public:
    // The values of the page for a channel and its episodes; themeFolder is the folder holding
    // the template.
    static ThemePageValues pageValues(const Channel& channel, const QList<Episode>& episodes,
                                      const QString& themeFolder);

    // Fills template text (see ThemeTemplate::fromFileContents).
    static QString renderText(const QString& templateText, const Channel& channel,
                              const QList<Episode>& episodes, const QString& themeFolder);

    // Renders entry `index` of the list into outputPath (the home folder's "pr-feed-01.tmp"
    // for the preview), replacing the file as a whole: the page followed by CR LF, in UTF-8.
    static ThemeRenderResult render(const ThemeList& themes, int index, const Channel& channel,
                                    const QList<Episode>& episodes, const QString& outputPath);
    static ThemeRenderResult render(const ThemeList& themes, int index,
                                    const FeedDocument& document, const QString& outputPath);

    // "&", "<", ">", double and single quotes as character references.
    static QString htmlEscape(const QString& text);
    // A local path as a file URL ("file:///home/a%20b/"); a folder keeps its trailing "/".
    static QString fileUrl(const QString& path, bool folder = false);
};
