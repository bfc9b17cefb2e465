#include "app/EpisodeCommandTable.h"

namespace episodecommands {

const std::vector<Menu>& menus()
{
    static const std::vector<Menu> list = {{"m_file", "File"},         {"m_view", "View"},   {"m_edit", "Edit"},
                                           {"m_operation", "Effects"}, {"m_tools", "Tools"}, {"m_help", "Help"}};
    return list;
}

const std::vector<Command>& commands()
{
    using G = Group;
    // name, caption, menu, group, separator before, not while recording
    static const std::vector<Command> list = {
        {"m_new", "New", "m_file", G::LocalFile, false, true},
        {"m_open", "Open...", "m_file", G::LocalFile, false, true},
        {"m_save", "Save...", "m_file", G::TrackFile, true, true},
        {"m_export_publish", "Export for publishing...", "m_file", G::TrackFile, false, true},
        {"m_save_exit", "Save && Close", "m_file", G::Always, true, false},
        {"m_close", "Close", "m_file", G::Always},

        {"m_waveform", "Waveform view", "m_view", G::TrackFile},
        {"m_spectral", "Spectral view", "m_view", G::TrackFile},
        {"m_zoom_in", "Zoom in", "m_view", G::TrackFile, true},
        {"m_zoom_out", "Zoom out", "m_view", G::TrackFile},

        {"m_undo", "Undo", "m_edit", G::TrackFile, false, true},
        {"m_redo", "Redo", "m_edit", G::TrackFile, false, true},
        {"m_copy", "Copy", "m_edit", G::TrackFile, true},
        {"m_cut", "Cut", "m_edit", G::TrackFile, false, true},
        {"m_paste", "Paste", "m_edit", G::TrackFile, false, true},
        {"m_mix", "Mix", "m_edit", G::TrackFile, true, true},
        {"m_mix_file", "Mix from file...", "m_edit", G::TrackFile, false, true},
        {"m_silence_insert", "Insert 'Silence'", "m_edit", G::TrackFile, true, true},
        {"m_silence_remove", "Remove 'Silence'", "m_edit", G::TrackFile, false, true},
        {"m_chapter_add", "Add chapter mark", "m_edit", G::TrackFile, true, true},
        {"m_chapter_name", "Name chapter mark...", "m_edit", G::TrackFile, false, true},
        {"m_chapter_move", "Move chapter mark to cursor", "m_edit", G::TrackFile, false, true},
        {"m_chapter_remove", "Remove chapter mark", "m_edit", G::TrackFile, false, true},

        {"m_amp_plus", "Amplify +", "m_operation", G::TrackFile, false, true},
        {"m_amp_minus", "Amplify -", "m_operation", G::TrackFile, false, true},
        {"m_fade_plus", "Fade +", "m_operation", G::TrackFile, false, true},
        {"m_fade_minus", "Fade -", "m_operation", G::TrackFile, false, true},
        {"m_norm", "Normalize", "m_operation", G::TrackFile, false, true},
        {"m_invert", "Invert", "m_operation", G::TrackFile, true, true},
        {"m_flanger", "Flanger", "m_operation", G::TrackFile, false, true},
        {"m_delay", "Delay", "m_operation", G::TrackFile, false, true},
        {"m_vibrato", "Vibrato", "m_operation", G::TrackFile, false, true},
        {"m_stretch_plus", "Stretch +", "m_operation", G::TrackFile, true, true},
        {"m_stretch_minus", "Stretch -", "m_operation", G::TrackFile, false, true},
        {"m_band_pass", "Band Pass", "m_operation", G::TrackFile, true, true},
        {"m_low_pass", "Low Pass", "m_operation", G::TrackFile, false, true},
        {"m_high_pass", "High Pass", "m_operation", G::TrackFile, false, true},
        {"m_low_shelf", "Low Shelf", "m_operation", G::TrackFile, false, true},
        {"m_high_shelf", "High Shelf", "m_operation", G::TrackFile, false, true},
        {"m_loudness", "Loudness...", "m_operation", G::TrackFile, true, true},

        {"m_start_rec", "Start recording", "m_tools", G::LocalFile, false, true},
        {"m_play", "Play", "m_tools", G::TrackFile, true, true},
        {"m_pause", "Pause", "m_tools", G::TrackFile},
        {"m_stop", "Stop", "m_tools", G::TrackFile},
        {"m_edit_tags", "Edit file info...", "m_tools", G::TrackFile, true, true},
        {"m_preferences", "Preferences...", "m_tools", G::LocalFile, true},

        {"m_f1", "Contents", "m_help", G::Always},
        {"m_what_this", "What's this? Help", "m_help", G::Always},
    };
    return list;
}

const std::vector<ToolButton>& toolbar()
{
    static const std::vector<ToolButton> list = {
        {"m_new", "New"},           {"m_open", "Open audio file"}, {"m_save", "Save"},
        {"m_copy", "Copy"},         {"m_cut", "Cut"},              {"m_paste", "Paste"},
        {"m_undo", "Undo"},         {"m_redo", "Redo"},            {"m_zoom_in", "Zoom In"},
        {"m_zoom_out", "Zoom Out"}, {"m_start_rec", "Start recording"}, {"m_play", "Play"},
        {"m_pause", "Pause"},       {"m_stop", "Stop"},            {"m_preferences", "Settings"},
        {"m_what_this", "What's this? Help"}};
    return list;
}

const Command* find(const QString& name)
{
    for (const Command& c : commands())
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

QString plainCaption(const Command& command)
{
    return QString::fromLatin1(command.caption).replace(QLatin1String("&&"), QLatin1String("&"));
}

} // namespace episodecommands
