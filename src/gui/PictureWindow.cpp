#include "gui/PictureWindow.h"

#include "app/PictureEditing.h"
#include "gui/MakeSquareDialog.h"
#include "image/PictureEditor.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWhatsThis>

namespace {

struct Menu {
    const char* name;
    const char* caption;
};

const Menu kMenus[] = {{"m_file", "File"}, {"m_edit", "Edit"}, {"m_help", "Help"}};

struct Command {
    const char* menu;
    const char* name;
    const char* caption; // "&&" shows one "&"
    const char* key;
    bool separatorBefore;
};

const Command kCommands[] = {
    {"m_file", "m_open", "Open...", "Ctrl+O", false},
    {"m_file", "m_save", "Save as...", "Ctrl+S", false},
    {"m_file", "m_remove", "Remove", "", true},
    {"m_file", "m_upload", "Upload...", "F2", false},
    {"m_file", "m_save_exit", "Save && Close", "", true},
    {"m_file", "m_exit", "Close", "", false},
    {"m_edit", "m_undo", "Undo", "Ctrl+Z", false},
    {"m_edit", "m_redo", "Redo", "Ctrl+Y", false},
    {"m_help", "m_f1", "Contents", "F1", false},
    {"m_help", "m_what_this", "What's this? Help", "Shift+F1", false},
};

struct Tool {
    const char* command;
    const char* tooltip;
    QStyle::StandardPixmap icon;
};

const Tool kTools[] = {
    {"m_open", "Open", QStyle::SP_DialogOpenButton},
    {"m_save", "Save", QStyle::SP_DialogSaveButton},
    {"m_remove", "Remove", QStyle::SP_TrashIcon},
    {"m_upload", "Upload", QStyle::SP_ArrowUp},
    {"m_undo", "Undo", QStyle::SP_ArrowBack},
    {"m_redo", "Redo", QStyle::SP_ArrowForward},
    {"m_what_this", "What's this", QStyle::SP_MessageBoxQuestion},
};

constexpr int kCoverThumbnail = 128;
constexpr int kTimerMs = 250;

} // namespace

PictureWindow::PictureWindow(PictureEditing& editing, QWidget* parent)
    : QDialog(parent), m_editing(editing), m_editor(editing.editor())
{
    setObjectName(QStringLiteral("frmImage"));
    setWindowTitle(QStringLiteral("Edit picture"));
    auto* layout = new QVBoxLayout(this);
    buildMenus();
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_toolBar);
    layout->addWidget(buildFields(), 1);
    layout->addWidget(buildCoverArea());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &PictureWindow::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &PictureWindow::refreshCommands);
    m_timer->start(kTimerMs);
    showEditor();
}

PictureWindow::~PictureWindow() = default;

void PictureWindow::buildMenus()
{
    m_menuBar = new QMenuBar(this);
    QMenuBar* bar = m_menuBar;
    QHash<QString, QMenu*> menus;
    for (const Menu& m : kMenus) {
        QMenu* menu = bar->addMenu(QString::fromLatin1(m.caption));
        menu->setObjectName(QLatin1String(m.name));
        menus.insert(QLatin1String(m.name), menu);
    }
    for (const Command& c : kCommands) {
        QMenu* menu = menus.value(QLatin1String(c.menu));
        if (c.separatorBefore)
            menu->addSeparator();
        QAction* a = menu->addAction(QString::fromLatin1(c.caption));
        const QString name = QLatin1String(c.name);
        a->setObjectName(name);
        a->setShortcut(QKeySequence(QString::fromLatin1(c.key)));
        connect(a, &QAction::triggered, this, [this, name] { run(name); });
        m_actions.insert(name, a);
    }
    m_toolBar = new QToolBar(QStringLiteral("Picture"), this);
    m_toolBar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolBar->setIconSize(QSize(20, 20));
    for (const Tool& t : kTools) {
        QAction* a = m_actions.value(QLatin1String(t.command));
        a->setToolTip(QString::fromLatin1(t.tooltip));
        a->setIcon(style()->standardIcon(t.icon));
        a->setIconVisibleInMenu(false);
        m_toolBar->addAction(a);
    }
}

QWidget* PictureWindow::buildFields()
{
    auto* area = new QWidget(this);
    auto* form = new QFormLayout;
    const auto line = [this](const char* name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        return edit;
    };
    const auto withButton = [this](QLineEdit* edit, const char* name, const QString& tip, void (PictureEditor::*open)()) {
        auto* row = new QHBoxLayout;
        auto* button = new QPushButton(QStringLiteral("Open"), this);
        button->setObjectName(QLatin1String(name));
        button->setToolTip(tip);
        connect(button, &QPushButton::clicked, this, [this, open] {
            pullFields();
            (m_editor.*open)();
        });
        row->addWidget(edit, 1);
        row->addWidget(button);
        return row;
    };
    m_title = line("title");
    m_description = line("description");
    m_link = line("link");
    m_url = line("imageUrl");
    form->addRow(QStringLiteral("Title:"), m_title);
    form->addRow(QStringLiteral("Description:"), m_description);
    form->addRow(QStringLiteral("Link:"),
                 withButton(m_link, "openLink", QStringLiteral("Open the link in the browser"), &PictureEditor::OpenLink));
    form->addRow(QStringLiteral("Image URL:"),
                 withButton(m_url, "openImageUrl", QStringLiteral("Open the image's address in the browser"),
                            &PictureEditor::OpenImageUrl));

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("picture"));
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picture->setWhatsThis(QStringLiteral("The feed image: at most 144 pixels wide and 400 pixels high."));
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(m_picture);
    scroll->setMinimumSize(ChannelImage::kMaxWidth + 24, 180);
    m_pictureInfo = new QLabel(this);
    m_pictureInfo->setObjectName(QStringLiteral("pictureInfo"));

    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(form);
    layout->addWidget(scroll, 1);
    layout->addWidget(m_pictureInfo);
    return area;
}

QWidget* PictureWindow::buildCoverArea()
{
    auto* box = new QGroupBox(QStringLiteral("Cover art (Apple Podcasts and apps)"), this);
    box->setObjectName(QStringLiteral("coverArt"));
    box->setWhatsThis(QStringLiteral("Podcast apps show a square cover of 1400 to 3000 pixels (itunes:image)."));
    m_coverPicture = new QLabel(box);
    m_coverPicture->setObjectName(QStringLiteral("coverPicture"));
    m_coverPicture->setFixedSize(kCoverThumbnail, kCoverThumbnail);
    m_coverPicture->setAlignment(Qt::AlignCenter);
    m_coverPicture->setFrameShape(QFrame::StyledPanel);
    m_coverCheck = new QLabel(box);
    m_coverCheck->setObjectName(QStringLiteral("coverCheck"));
    m_coverCheck->setWordWrap(true);
    m_coverUrl = new QLineEdit(box);
    m_coverUrl->setObjectName(QStringLiteral("coverUrl"));

    const auto button = [this, box](const QString& caption, const char* command) {
        auto* b = new QPushButton(caption, box);
        b->setObjectName(QLatin1String(command));
        const QString name = QLatin1String(command);
        connect(b, &QPushButton::clicked, this, [this, name] { run(name); });
        return b;
    };
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(button(QStringLiteral("Open..."), "cover_open"));
    m_coverSquare = button(QStringLiteral("Make square..."), "cover_square");
    m_coverToFeed = button(QStringLiteral("Use cover for the feed image"), "cover_to_feed");
    m_coverRemove = button(QStringLiteral("Remove"), "cover_remove");
    buttons->addWidget(m_coverSquare);
    buttons->addWidget(m_coverToFeed);
    buttons->addWidget(m_coverRemove);
    buttons->addStretch(1);

    auto* url = new QFormLayout;
    url->addRow(QStringLiteral("Cover URL:"), m_coverUrl);
    auto* right = new QVBoxLayout;
    right->addWidget(m_coverCheck, 1);
    right->addLayout(url);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(box);
    layout->addWidget(m_coverPicture, 0, Qt::AlignTop);
    layout->addLayout(right, 1);
    return box;
}

void PictureWindow::run(const QString& c)
{
    pullFields();
    if (c == QLatin1String("m_open"))
        m_editor.Open();
    else if (c == QLatin1String("m_save"))
        m_editor.SaveAs();
    else if (c == QLatin1String("m_remove"))
        m_editor.Remove();
    else if (c == QLatin1String("m_upload")) {
        if (onUpload)
            onUpload();
    } else if (c == QLatin1String("m_save_exit")) {
        accept();
        return;
    } else if (c == QLatin1String("m_exit")) {
        reject();
        return;
    } else if (c == QLatin1String("m_undo"))
        m_editor.Undo();
    else if (c == QLatin1String("m_redo"))
        m_editor.Redo();
    else if (c == QLatin1String("m_f1")) {
        if (onHelp)
            onHelp(QStringLiteral("including_image_in_podcast.htm"));
    } else if (c == QLatin1String("m_what_this"))
        QWhatsThis::enterWhatsThisMode();
    else if (c == QLatin1String("cover_open"))
        m_editor.OpenCover();
    else if (c == QLatin1String("cover_square"))
        makeSquare();
    else if (c == QLatin1String("cover_to_feed"))
        m_editor.UseCoverForFeedImage();
    else if (c == QLatin1String("cover_remove"))
        m_editor.RemoveCover();
    showEditor();
}

void PictureWindow::makeSquare()
{
    if (m_editor.coverPicture().isNull())
        return;
    MakeSquareDialog dialog(m_editor.coverPicture(), this);
    if (dialog.exec() == QDialog::Accepted)
        m_editor.MakeSquare(dialog.square(), dialog.size());
}

void PictureWindow::accept()
{
    pullFields();
    m_editing.accept();
    QDialog::accept();
}

void PictureWindow::pullFields()
{
    m_editor.fields.title = m_title->text();
    m_editor.fields.description = m_description->text();
    m_editor.fields.link = m_link->text();
    m_editor.fields.url = m_url->text();
    m_editor.cover.url = m_coverUrl->text();
}

void PictureWindow::showEditor()
{
    m_title->setText(m_editor.fields.title);
    m_description->setText(m_editor.fields.description);
    m_link->setText(m_editor.fields.link);
    m_url->setText(m_editor.fields.url);
    m_coverUrl->setText(m_editor.cover.url);
    showPicture();
    showCover();
    refreshCommands();
}

void PictureWindow::showPicture()
{
    const ChannelImage& image = m_editor.image();
    if (!image.HasPicture()) {
        m_picture->clear();
        m_picture->resize(0, 0);
        m_pictureInfo->setText(QStringLiteral("No picture."));
        return;
    }
    // The box has the picture's own size, or 144 x 400 when the user wanted it fitted.
    const QSize box = m_editor.PictureBoxSize().isValid() ? m_editor.PictureBoxSize() : image.Picture().size();
    m_picture->setPixmap(QPixmap::fromImage(image.Picture().scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    m_picture->resize(box);
    m_pictureInfo->setText(QStringLiteral("%1 x %2 pixels").arg(image.Picture().width()).arg(image.Picture().height()));
}

void PictureWindow::showCover()
{
    const QImage& cover = m_editor.coverPicture();
    if (cover.isNull()) {
        m_coverPicture->setPixmap(QPixmap());
        m_coverPicture->setText(QStringLiteral("No cover"));
        m_coverCheck->setText(m_editor.cover.file.isEmpty()
                                  ? QStringLiteral("No cover art: open a square JPEG or PNG picture of 1400 to 3000 pixels.")
                                  : m_editor.coverCheck().verdict());
        return;
    }
    m_coverPicture->setPixmap(QPixmap::fromImage(
        cover.scaled(kCoverThumbnail, kCoverThumbnail, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    const CoverCheck& check = m_editor.coverCheck();
    m_coverCheck->setText(check.summary() + QStringLiteral("\n") + check.verdict());
}

void PictureWindow::refreshCommands()
{
    const PictureEditor::CommandState state = m_editor.commandState();
    m_actions.value(QStringLiteral("m_remove"))->setEnabled(state.remove);
    m_actions.value(QStringLiteral("m_upload"))->setEnabled(state.upload);
    m_actions.value(QStringLiteral("m_undo"))->setEnabled(state.undo);
    m_actions.value(QStringLiteral("m_redo"))->setEnabled(state.redo);
    m_actions.value(QStringLiteral("m_save"))->setEnabled(m_editor.image().HasPicture());
    m_coverSquare->setEnabled(state.coverSquare);
    m_coverToFeed->setEnabled(state.coverToFeed);
    m_coverRemove->setEnabled(state.coverRemove);
}
