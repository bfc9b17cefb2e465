#pragma once

#include "image/PictureEditor.h"

#include <memory>

class Session;

// One run of the "Edit picture" window on the open podcast: the editor starts from the
// channel's image fields and picture and from the cover art (the channel's itunes:image and the
// project's local cover file), and OK hands the result back to the channel, the project entry
// and the main window. Cancel is simply dropping this object.
class PictureEditing {
public:
    // False when the session's picture cannot be edited (no image library behind it).
    static bool available(Session& session);
    explicit PictureEditing(Session& session);
    ~PictureEditing();

    PictureEditor& editor() { return *m_editor; }
    // OK (and "Save && Close"): fields into the channel, the picture to the main window.
    void accept();

private:
    Session& m_session;
    ChannelImage* m_target;
    std::unique_ptr<PictureEditor> m_editor;
};
