#pragma once

#include "feed/Channel.h"
#include "feed/Episode.h"

#include <QList>
#include <QString>

// The project entry keeps one enclosure upload state per episode; that list lives in the store
// layer, which this layer must not know. The session passes an implementation of this seam so
// that clearing the document and adding an episode keep both lists in step.
class EnclosureStateSeam {
public:
    virtual ~EnclosureStateSeam() = default;
    virtual void clearEnclosureStates() = 0;
    // A new state at `position`; `isLocal` is set for an episode created in the program.
    virtual void insertEnclosureState(int position, bool isLocal) = 0;
};

// The one open podcast: channel, ordered episodes and the document state.
class FeedDocument {
public:
    Channel channel;
    QList<Episode> episodes; // position 0 is the feed's first item
    int currentEpisode = 0;  // position selected in the episode list; 0 when empty
    QString documentName;    // "Untitled", or the file-name part of the feed path
    bool untitled = false;   // never saved to a file
    bool loadFailed = false; // the last text read was not well-formed XML

    // Empties every channel text except the style sheet fields, imageFile and documentName, all
    // skip flags and the episodes; clears `untitled`. The style sheet and currentEpisode stay.
    void clear(EnclosureStateSeam* states = nullptr);

    // Defaults of a podcast the user just created: no episodes, "Untitled", published now,
    // language "ru" for a Russian interface, otherwise "en".
    void applyNewPodcastDefaults(const QString& interfaceLanguage);

    // Appends "[Untitled]" published now with a fresh GUID, makes it current and returns its
    // position; the enclosure states grow by a local entry at the same position.
    int addNewEpisode(EnclosureStateSeam* states = nullptr);

    // "Untitled" for a new podcast's path, otherwise the text after the last "/" or "\".
    static QString documentNameForPath(const QString& path);
    // A new GUID: 36 upper-case hexadecimal digits and hyphens, no braces.
    static QString newGuid();
};
