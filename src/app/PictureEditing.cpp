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
    *m_target = m_editor->Accept();
    m_session.changeChannel([this](Channel& c) {
        const ChannelImageFields& f = m_editor->fields;
        c.imageTitle = f.title;
        c.imageDescription = f.description;
        c.imageLink = f.link;
        c.imageUrl = f.url;
        c.imageFile = f.file;
        c.itunesImage = m_editor->cover.url;
    });
    if (ProjectEntry* entry = m_session.currentEntry())
        entry->coverPath = m_editor->cover.file;
    if (MainView* view = m_session.view()) {
        if (m_target->HasPicture())
            view->showChannelImage(m_target->Picture());
        else
            view->clearChannelImage();
    }
}
