#include "gui/EpisodeEditor.h"

#include "app/EpisodeCommandTable.h"
#include "app/EpisodeForm.h"
#include "app/Session.h"
#include "audio/AudioEditor.h"
#include "gui/AudioTrackView.h"
#include "gui/DirectoryPanel.h"
#include "gui/LevelBar.h"
#include "gui/LoudnessDialog.h"
#include "gui/PublishDialog.h"
#include "gui/QtPrompts.h"
#include "gui/TrackInfoDialog.h"
#include "gui/TrackWorkProgress.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QToolBar>
#include <QWhatsThis>

namespace {

// Shortcuts of the track editor; the text fields keep their own copy and paste keys.
QKeySequence shortcutOf(const QString& c)
{
    static const QHash<QString, QKeySequence> keys = {
        {"m_new", QKeySequence::New},       {"m_open", QKeySequence::Open},   {"m_save", QKeySequence::Save},
        {"m_undo", QKeySequence::Undo},     {"m_redo", QKeySequence::Redo},   {"m_copy", QKeySequence::Copy},
        {"m_cut", QKeySequence::Cut},       {"m_paste", QKeySequence::Paste}, {"m_zoom_in", QKeySequence::ZoomIn},
        {"m_zoom_out", QKeySequence::ZoomOut}, {"m_f1", QKeySequence::HelpContents},
        {"m_what_this", QKeySequence::WhatsThis}, {"m_start_rec", QKeySequence(Qt::Key_F9)},
        {"m_play", QKeySequence(Qt::Key_F5)}, {"m_pause", QKeySequence(Qt::Key_F6)},
        {"m_stop", QKeySequence(Qt::Key_F7)}};
    return keys.value(c);
}

QIcon iconOf(QStyle* style, const QString& c)
{
    static const QHash<QString, QPair<QString, QStyle::StandardPixmap>> icons = {
        {"m_new", {"document-new", QStyle::SP_FileIcon}},
        {"m_open", {"document-open", QStyle::SP_DialogOpenButton}},
        {"m_save", {"document-save", QStyle::SP_DialogSaveButton}},
        {"m_undo", {"edit-undo", QStyle::SP_ArrowBack}},
        {"m_redo", {"edit-redo", QStyle::SP_ArrowForward}},
        {"m_play", {"media-playback-start", QStyle::SP_MediaPlay}},
        {"m_pause", {"media-playback-pause", QStyle::SP_MediaPause}},
        {"m_stop", {"media-playback-stop", QStyle::SP_MediaStop}},
        {"m_what_this", {"help-contextual", QStyle::SP_TitleBarContextHelpButton}}};
    const auto it = icons.constFind(c);
    if (it == icons.constEnd())
        return QIcon::fromTheme(c == QLatin1String("m_copy")        ? QStringLiteral("edit-copy")
                                : c == QLatin1String("m_cut")       ? QStringLiteral("edit-cut")
                                : c == QLatin1String("m_paste")     ? QStringLiteral("edit-paste")
                                : c == QLatin1String("m_zoom_in")   ? QStringLiteral("zoom-in")
                                : c == QLatin1String("m_zoom_out")  ? QStringLiteral("zoom-out")
                                : c == QLatin1String("m_start_rec") ? QStringLiteral("media-record")
                                                                    : QStringLiteral("preferences-system"));
    return QIcon::fromTheme(it->first, style->standardIcon(it->second));
}

} // namespace

EpisodeEditor::EpisodeEditor(Session& session, TrackDevices& devices, QWidget* parent)
    : QMainWindow(parent), m_session(session), m_form(std::make_unique<EpisodeForm>(session, devices)),
      m_progress(std::make_unique<TrackWorkProgress>(this))
{
    setObjectName(QStringLiteral("EForm1"));
    setWindowTitle(QStringLiteral("Edit episode"));
    setWindowModality(Qt::WindowModal);
    m_form->setProgress(m_progress.get());
    m_form->closeWindow = [this] { close(); };
    buildFields();
    buildMenusAndToolbar();
    resize(960, 720);
    m_fullHeight = 720;
    if (auto* prompts = dynamic_cast<QtPrompts*>(&session.prompts()))
        prompts->setOwner(this);
}

EpisodeEditor::~EpisodeEditor()
{
    if (auto* prompts = dynamic_cast<QtPrompts*>(&m_session.prompts()))
        prompts->setOwner(parentWidget());
    // The form releases the track and the devices before the view that draws it goes.
    delete m_track;
    m_form.reset();
}

void EpisodeEditor::buildFields()
{
    auto* central = new QWidget(this);
    auto* grid = new QGridLayout;
    int row = 0;
    const auto label = [&](const QString& text, QWidget* buddy, int column = 0) {
        auto* l = new QLabel(text, central);
        l->setBuddy(buddy);
        grid->addWidget(l, row, column);
        return l;
    };
    const auto edit = [&](const char* name, const QString& whatsThis) {
        auto* e = new QLineEdit(central);
        e->setObjectName(QLatin1String(name));
        e->setWhatsThis(whatsThis);
        return e;
    };

    m_title = edit("title", QStringLiteral("The episode's title as podcast apps list it."));
    label(QStringLiteral("&Title:"), m_title);
    grid->addWidget(m_title, row++, 1, 1, 4);

    m_description = new QPlainTextEdit(central);
    m_description->setObjectName(QStringLiteral("description"));
    m_description->setWhatsThis(QStringLiteral("What the episode is about; podcast apps show it as show notes."));
    m_description->setTabChangesFocus(true);
    m_description->setFixedHeight(m_description->fontMetrics().lineSpacing() * 4 + 12);
    label(QStringLiteral("&Description:"), m_description)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(m_description, row++, 1, 1, 4);

    m_link = edit("link", QStringLiteral("A web page about this episode."));
    label(QStringLiteral("&Link:"), m_link);
    grid->addWidget(m_link, row, 1, 1, 3);
    auto* linkButton = new QPushButton(QStringLiteral("Open link"), central);
    linkButton->setObjectName(QStringLiteral("linkButton"));
    linkButton->setToolTip(QStringLiteral("Open the link in the web browser"));
    connect(linkButton, &QPushButton::clicked, this, [this] { act([this] { m_form->openLink(); }); });
    grid->addWidget(linkButton, row++, 4);

    m_date = new QDateEdit(central);
    m_date->setObjectName(QStringLiteral("pubDate"));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QStringLiteral("d MMM yyyy"));
    m_time = new QTimeEdit(central);
    m_time->setObjectName(QStringLiteral("pubTime"));
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    m_date->setWhatsThis(QStringLiteral("When the episode is published, in local time."));
    m_time->setWhatsThis(m_date->whatsThis());
    label(QStringLiteral("&PubDate:"), m_date);
    auto* when = new QHBoxLayout;
    when->addWidget(m_date);
    when->addWidget(m_time);
    when->addStretch();
    grid->addLayout(when, row, 1, 1, 3);
    auto* dateButton = new QPushButton(QStringLiteral("Now"), central);
    dateButton->setObjectName(QStringLiteral("dateButton"));
    dateButton->setToolTip(QStringLiteral("Set the current date and time"));
    connect(dateButton, &QPushButton::clicked, this, [this] { act([this] { m_form->setCurrentDate(); }); });
    grid->addWidget(dateButton, row++, 4);

    m_url = edit("url", QStringLiteral("The address of the media file, or its name when it is uploaded with the feed."));
    label(QStringLiteral("&URL:"), m_url);
    grid->addWidget(m_url, row++, 1, 1, 4);

    m_length = edit("length", QStringLiteral("The size of the media file in bytes."));
    label(QStringLiteral("L&ength:"), m_length);
    grid->addWidget(m_length, row, 1);
    m_type = new QComboBox(central);
    m_type->setObjectName(QStringLiteral("type"));
    m_type->setEditable(true);
    m_type->addItems(EpisodeForm::mediaTypes());
    m_type->setWhatsThis(QStringLiteral("The media type of the file; a type not in the list can be typed."));
    m_type->setMinimumContentsLength(18);
    label(QStringLiteral("T&ype:"), m_type, 2)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(m_type, row, 3);
    auto* choose = new QPushButton(QStringLiteral("Choose..."), central);
    choose->setObjectName(QStringLiteral("choose"));
    choose->setToolTip(QStringLiteral("Choose the media file of the episode"));
    connect(choose, &QPushButton::clicked, this, [this] { act([this] { m_form->chooseEnclosure(); }); });
    grid->addWidget(choose, row++, 4);

    m_local = new QCheckBox(QStringLiteral("Local file"), central);
    m_local->setObjectName(QStringLiteral("localFile"));
    m_local->setWhatsThis(QStringLiteral("Record, edit and save the episode's audio here."));
    connect(m_local, &QCheckBox::toggled, this, [this](bool on) {
        if (m_showing)
            return;
        act([this, on] { m_form->setLocalFile(on); });
        openPendingSoon();
    });
    grid->addWidget(m_local, row++, 1, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    m_trackArea = new QWidget(central);
    auto* trackLayout = new QVBoxLayout(m_trackArea);
    trackLayout->setContentsMargins(0, 0, 0, 0);
    auto* fileRow = new QHBoxLayout;
    m_file = new QLineEdit(m_trackArea);
    m_file->setObjectName(QStringLiteral("file"));
    m_file->setReadOnly(true);
    m_file->setWhatsThis(QStringLiteral("The audio file the track was opened from or saved to."));
    m_fileLabel = new QLabel(QStringLiteral("File:"), m_trackArea);
    m_fileLabel->setBuddy(m_file);
    fileRow->addWidget(m_fileLabel);
    fileRow->addWidget(m_file);
    trackLayout->addLayout(fileRow);
    m_track = new AudioTrackView(&m_form->editor(), m_trackArea);
    m_track->setObjectName(QStringLiteral("track"));
    m_track->setWhatsThis(QStringLiteral("The episode's audio. Drag or Shift+arrow keys select; the level bar "
                                         "at the right shows the input level and the progress of long work."));
    m_level = new LevelBar(&m_form->editor(), m_track);
    m_level->setObjectName(QStringLiteral("levelBar"));
    trackLayout->addWidget(m_track, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new QPushButton(QStringLiteral("OK"), central);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), central);
    cancel->setObjectName(QStringLiteral("cancel"));
    // Both close; the close path commits the fields (File > Close is the way out without).
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(central);
    auto* pages = new QTabWidget(central);
    pages->setObjectName(QStringLiteral("pages"));
    auto* fieldsPage = new QWidget(pages);
    fieldsPage->setLayout(grid);
    pages->addTab(fieldsPage, QStringLiteral("Episode"));
    pages->addTab(buildDirectoryPage(), QStringLiteral("Directories"));
    layout->addWidget(pages);
    m_panels = new QVBoxLayout;
    layout->addLayout(m_panels);
    layout->addWidget(m_trackArea, 1);
    layout->addLayout(buttons);
    setCentralWidget(central);
}

QWidget* EpisodeEditor::buildDirectoryPage()
{
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("directoriesPage"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    m_directories = new DirectoryPanel(m_form->directory(), scroll);
    m_directories->build();
    auto* fromAudio = m_fromAudio = new QPushButton(QStringLiteral("From audio"), m_directories);
    fromAudio->setObjectName(QStringLiteral("durationFromAudio"));
    fromAudio->setToolTip(QStringLiteral("Set the duration to the length of the episode's audio file"));
    connect(fromAudio, &QPushButton::clicked, this, [this] {
        m_form->directory().fillDurationFromAudio();
        m_directories->showValues();
    });
    m_directories->addBeside(QStringLiteral("itunesDuration"), fromAudio);
    scroll->setWidget(m_directories);
    return scroll;
}

void EpisodeEditor::addPanel(QWidget* panel)
{
    panel->setParent(centralWidget());
    m_panels->addWidget(panel);
}

void EpisodeEditor::buildMenusAndToolbar()
{
    using namespace episodecommands;
    QHash<QString, QMenu*> menus;
    for (const Menu& m : episodecommands::menus()) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(m.caption));
        menu->setObjectName(QLatin1String(m.name));
        menus.insert(QLatin1String(m.name), menu);
        m_menus.insert(QLatin1String(m.name), menu->menuAction());
    }
    for (const Command& c : commands()) {
        const QString name = QLatin1String(c.name);
        QMenu* menu = menus.value(QLatin1String(c.menu));
        if (c.separatorBefore)
            menu->addSeparator();
        // "&&" is how a menu shows one "&".
        QAction* a = menu->addAction(QString::fromLatin1(c.caption));
        a->setObjectName(name);
        a->setShortcut(shortcutOf(name));
        a->setCheckable(name == QLatin1String("m_waveform") || name == QLatin1String("m_spectral"));
        connect(a, &QAction::triggered, this, [this, name] { run(name); });
        m_actions.insert(name, a);
    }
    m_toolBar = addToolBar(QStringLiteral("Track"));
    m_toolBar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(QSize(20, 20));
    for (const ToolButton& b : toolbar()) {
        QAction* a = m_actions.value(QLatin1String(b.command));
        a->setToolTip(QString::fromLatin1(b.tooltip));
        a->setIcon(iconOf(style(), QLatin1String(b.command)));
        a->setIconVisibleInMenu(false);
        m_toolBar->addAction(a);
    }
}

bool EpisodeEditor::open(int position)
{
    if (!m_form->load(position))
        return false;
    showFields();
    openPendingSoon();
    return true;
}

void EpisodeEditor::openPendingSoon()
{
    // After the window is on screen, so the progress of a long open has a window to show in.
    if (m_form->hasPendingOpen())
        QTimer::singleShot(0, this, [this] {
            act([this] { m_form->openPendingFile(); });
            m_track->zoomToFit();
        });
}

template <typename F>
void EpisodeEditor::act(F&& call)
{
    if (m_form->busy())
        return;
    pullFields();
    call();
    // The bar showed the progress of the work; a running device meter sets it again.
    m_level->setValue(LevelBar::kMinimum);
    showFields();
}

void EpisodeEditor::run(const QString& c)
{
    if (m_form->busy() || !m_form->commandEnabled(c))
        return;
    if (c == QLatin1String("m_zoom_in"))
        m_track->zoomIn();
    else if (c == QLatin1String("m_zoom_out"))
        m_track->zoomOut();
    else if (c == QLatin1String("m_what_this"))
        QWhatsThis::enterWhatsThisMode();
    else if (c == QLatin1String("m_edit_tags"))
        editTrackInfo();
    else if (c == QLatin1String("m_loudness"))
        showLoudness();
    else if (c == QLatin1String("m_export_publish"))
        exportForPublishing();
    else if (c == QLatin1String("m_chapter_name") && m_form->chapterMarkAtCursor() >= 0)
        nameChapterMark();
    else {
        act([this, &c] { m_form->run(c); });
        m_track->setViewMode(m_form->viewMode());
        if (c == QLatin1String("m_chapter_add"))
            nameChapterMark();
        if (c == QLatin1String("m_open"))
            m_track->zoomToFit();
    }
}

void EpisodeEditor::editTrackInfo()
{
    TrackInfoDialog dialog(m_form->trackInfo(), this);
    if (dialog.exec() == QDialog::Accepted)
        act([&] { m_form->applyTrackInfo(dialog.fields()); });
}

void EpisodeEditor::showLoudness()
{
    pullFields();
    const LoudnessReport measured = m_form->measureLoudness();
    if (measured.status.code != AudioStatus::Cancelled) {
        LoudnessDialog dialog(*m_form, measured, this);
        dialog.exec();
    }
    showFields();
}

void EpisodeEditor::exportForPublishing()
{
    pullFields();
    PublishDialog dialog(m_form->publishingDefaults(), this);
    if (dialog.exec() == QDialog::Accepted)
        act([&] { m_form->exportForPublishing(dialog.options()); });
}

void EpisodeEditor::nameChapterMark()
{
    const int index = m_form->chapterMarkAtCursor();
    if (index < 0)
        return;
    const ChapterMark mark = m_form->editor().chapterMarks()[size_t(index)];
    bool ok = false;
    const QString title = QInputDialog::getText(
        this, QStringLiteral("Name chapter mark"),
        QStringLiteral("Title of the chapter at %1:").arg(chaptermarks::formatTime(mark.seconds)), QLineEdit::Normal,
        mark.title, &ok);
    if (ok)
        act([&] { m_form->nameChapterMark(title); });
}

void EpisodeEditor::pullFields()
{
    EpisodeFieldValues& f = m_form->fields;
    f.title = m_title->text();
    f.description = m_description->toPlainText();
    f.link = m_link->text();
    const QDate d = m_date->date();
    const QTime t = m_time->time();
    f.date = FeedDateTime{qint16(d.day()), qint16(d.month()), qint16(d.year()),
                          qint16(t.hour()), qint16(t.minute()), qint16(t.second())};
    f.url = m_url->text();
    f.length = m_length->text();
    f.type = m_type->currentText();
}

void EpisodeEditor::showFields()
{
    m_showing = true;
    const EpisodeFieldValues& f = m_form->fields;
    if (m_title->text() != f.title)
        m_title->setText(f.title);
    if (m_description->toPlainText() != f.description)
        m_description->setPlainText(f.description);
    if (m_link->text() != f.link)
        m_link->setText(f.link);
    m_date->setDate(QDate(f.date.year, f.date.month, f.date.day));
    m_time->setTime(QTime(f.date.hour, f.date.minute, f.date.second));
    m_url->setText(f.url);
    m_length->setText(f.length);
    // The list entry when the type is one, and the text as it is either way.
    m_type->setCurrentIndex(int(EpisodeForm::mediaTypes().indexOf(f.type)));
    m_type->setEditText(f.type);
    m_file->setText(f.file);
    m_directories->showValues();
    m_fromAudio->setEnabled(!m_form->directory().audioDuration().isEmpty());
    const bool wasLocal = !m_trackArea->isHidden();
    m_local->setChecked(m_form->localFile());
    if (wasLocal != m_form->localFile() || !isVisible())
        showLocalState();
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        it.value()->setEnabled(m_form->commandEnabled(it.key()));
        if (it.value()->isCheckable())
            it.value()->setChecked(m_form->commandChecked(it.key()));
    }
    for (auto it = m_menus.cbegin(); it != m_menus.cend(); ++it)
        it.value()->setEnabled(m_form->menuEnabled(it.key()));
    m_showing = false;
}

void EpisodeEditor::showLocalState()
{
    const bool on = m_form->localFile();
    if (on == !m_trackArea->isHidden())
        return;
    if (!on && isVisible())
        m_fullHeight = height();
    m_trackArea->setVisible(on);
    centralWidget()->layout()->activate();
    if (on)
        resize(width(), std::max(m_fullHeight, minimumSizeHint().height()));
    else
        resize(width(), minimumSizeHint().height());
}

void EpisodeEditor::closeEvent(QCloseEvent* event)
{
    pullFields();
    auto* prompts = dynamic_cast<QtPrompts*>(&m_session.prompts());
    if (prompts && prompts->unattended())
        m_form->closeUnattended();
    if (!m_form->closeRequested()) {
        event->ignore();
        showFields();
        return;
    }
    event->accept();
    if (QWidget* owner = parentWidget())
        owner->activateWindow();
}
