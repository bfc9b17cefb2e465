#include "app/PictureEditing.h"

#include "app/ChannelImageSeam.h"
#include "app/Session.h"

bool PictureEditing::available(Session& session)
{
    return session.image().editableImage() != nullptr;
}

PictureEditing::PictureEditing(Session& session)
    : m_session(session), m_target(session.image().editableImage())
{
    const Channel& c = session.document().channel;
    const ChannelImageFields fields{c.imageTitle, c.imageDescription, c.imageLink, c.imageUrl,
                                    c.imageFile};
    const ProjectEntry* entry = session.currentEntry();
    const CoverArtFields cover{entry ? entry->coverPath : QString(), c.itunesImage};
    m_editor = std::make_unique<PictureEditor>(session.prompts(), *m_target, fields, cover);
}

PictureEditing::~PictureEditing() = default;

void PictureEditing::accept()
{
    // The Directories tab shows itunes:image too: take what is typed in the window first and show
    // the channel again afterwards, so that saving neither drops typed text nor the new cover URL.
    m_session.storeWindowFields();
    *m_target = m_editor->Accept();
    const ChannelImageFields& f = m_editor->fields;
    Channel& c = m_session.document().channel;
    c.imageTitle = f.title;
    c.imageDescription = f.description;
    c.imageLink = f.link;
    c.imageUrl = f.url;
    c.imageFile = f.file;
    c.itunesImage = m_editor->cover.url;
    if (ProjectEntry* entry = m_session.currentEntry())
        entry->coverPath = m_editor->cover.file;
    if (MainView* view = m_session.view()) {
        if (m_target->HasPicture())
            view->showChannelImage(m_target->Picture());
        else
            view->clearChannelImage();
    }
    m_session.showChannelFields();
}
