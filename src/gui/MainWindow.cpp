#include "gui/MainWindow.h"

#include "common/ProductInfo.h"
#include "gui/CommandTable.h"
#include "gui/DirectoriesTab.h"
#include "gui/EpisodeListModel.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// Twips are 1/1440 inch; at 96 DPI one pixel is 15 twips.
constexpr int kTwipsPerPixel = 15;
constexpr int kImageMaxWidth = 144;
constexpr int kImageMaxHeight = 400;

QStyle::StandardPixmap fallbackIcon(const QString& themeName)
{
    static const QHash<QString, QStyle::StandardPixmap> map = {
        {"document-new", QStyle::SP_FileIcon},
        {"document-open", QStyle::SP_DialogOpenButton},
        {"document-save", QStyle::SP_DialogSaveButton},
        {"edit-delete", QStyle::SP_TrashIcon},
        {"go-down", QStyle::SP_ArrowDown},
        {"go-up", QStyle::SP_ArrowUp},
        {"help-contents", QStyle::SP_DialogHelpButton},
        {"list-add", QStyle::SP_FileDialogNewFolder},
        {"edit-copy", QStyle::SP_FileDialogDetailedView},
        {"list-remove", QStyle::SP_DialogDiscardButton},
        {"media-playback-start", QStyle::SP_MediaPlay},
        {"media-playback-stop", QStyle::SP_MediaStop},
        {"edit-find", QStyle::SP_FileDialogContentsView},
    };
    return map.value(themeName, QStyle::SP_CustomBase);
}

// The style's generated disabled icons keep dark shapes dark: Play, Stop and Clone looked the
// same enabled and disabled. A faded copy makes every disabled button plainly disabled.
QIcon withFadedDisabledMode(const QIcon& icon)
{
    QIcon result;
    for (const int side : {16, 22, 24, 32, 48}) {
        const QPixmap normal = icon.pixmap(QSize(side, side));
        if (normal.isNull())
            continue;
        QPixmap faded(normal.size());
        faded.setDevicePixelRatio(normal.devicePixelRatio());
        faded.fill(Qt::transparent);
        QPainter painter(&faded);
        painter.setOpacity(0.3);
        painter.drawPixmap(0, 0, normal);
        painter.end();
        result.addPixmap(normal, QIcon::Normal);
        result.addPixmap(faded, QIcon::Disabled);
    }
    return result;
}

const QStringList kMediaTypes = {"application/zip", "application/pdf", "audio/mpeg",
                                 "audio/x-m4a",     "video/mp4",       "video/x-m4v",
                                 "video/quicktime", "image/jpeg",      "image/gif"};

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QLatin1String(product::kBaseTitle));
    setMinimumSize(11825 / kTwipsPerPixel, 8715 / kTwipsPerPixel);
    resize(11825 / kTwipsPerPixel + 120, 8730 / kTwipsPerPixel + 40);

    buildMenus();
    buildToolbars();
    buildStatusBar();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* top = new QHBoxLayout;
    top->addWidget(buildChannelTabs(), 1);
    top->addWidget(buildImageArea(), 0, Qt::AlignTop);
    auto* topWidget = new QWidget(central);
    topWidget->setLayout(top);
    top->setContentsMargins(0, 0, 0, 0);
    auto* splitter = new QSplitter(Qt::Vertical, central);
    splitter->addWidget(topWidget);
    splitter->addWidget(buildEpisodeList());
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    layout->addWidget(splitter);
    setCentralWidget(central);

    auto* placeholderTimer = new QTimer(this);
    placeholderTimer->setInterval(300);
    connect(placeholderTimer, &QTimer::timeout, this, &MainWindow::refreshPlaceholders);
    placeholderTimer->start();

    applyCommandState(CommandState{});
    refreshPlaceholders();
    m_lw3->setFocus();
    setStatusText(QStringLiteral("Ready."));
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus()
{
    QHash<QString, QMenu*> menus;
    for (const MenuDef& m : mainMenus()) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(m.caption));
        menu->setObjectName(QLatin1String(m.name));
        menus.insert(QLatin1String(m.name), menu);
    }
    for (const MenuItemDef& item : mainMenuItems()) {
        QMenu* menu = menus.value(QLatin1String(item.menu));
        QAction* action = menu->addAction(QString::fromLatin1(item.caption));
        action->setObjectName(QLatin1String(item.name));
        if (item.key[0] != '\0')
            action->setShortcut(QKeySequence(QLatin1String(item.key)));
        const QString name = QLatin1String(item.name);
        connect(action, &QAction::triggered, this, [this, name] { run(name); });
        m_actions.insert(name, action);
        if (item.separatorAfter)
            menu->addSeparator();
    }
}

void MainWindow::buildToolbars()
{
    auto makeBar = [this](const QString& name, const QString& title) {
        auto* bar = new QToolBar(title, this);
        bar->setObjectName(name);
        bar->setMovable(false);
        bar->setIconSize(QSize(22, 22));
        m_toolbars.insert(name, bar);
        return bar;
    };

    // First band: the podcast selector and the podcast buttons.
    QToolBar* podcastBand = makeBar(QStringLiteral("PodcastBand"), QStringLiteral("Podcast"));
    podcastBand->addWidget(new QLabel(QStringLiteral(" Podcast: "), podcastBand));
    m_procombo = new QComboBox(podcastBand);
    m_procombo->setObjectName(QStringLiteral("procombo"));
    m_procombo->setMinimumContentsLength(28);
    m_procombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    podcastBand->addWidget(m_procombo);
    connect(m_procombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_filling && index >= 0 && onProjectSelected)
            onProjectSelected();
    });
    addToolBar(Qt::TopToolBarArea, podcastBand);
    QToolBar* toolbar2 = makeBar(QStringLiteral("Toolbar2"), QStringLiteral("Podcast commands"));
    addToolBar(Qt::TopToolBarArea, toolbar2);
    addToolBarBreak(Qt::TopToolBarArea);

    // Second band: episode buttons, playback, and the search box with its button.
    QToolBar* toolbar3 = makeBar(QStringLiteral("Toolbar3"), QStringLiteral("Episode commands"));
    addToolBar(Qt::TopToolBarArea, toolbar3);
    QToolBar* toolbar4 = makeBar(QStringLiteral("Toolbar4"), QStringLiteral("Playback"));
    addToolBar(Qt::TopToolBarArea, toolbar4);
    QToolBar* searchBand = makeBar(QStringLiteral("SearchBand"), QStringLiteral("Search"));
    searchBand->addWidget(new QLabel(QStringLiteral(" Search: "), searchBand));
    m_seacombo = new QComboBox(searchBand);
    m_seacombo->setObjectName(QStringLiteral("seacombo"));
    m_seacombo->setEditable(true);
    m_seacombo->setInsertPolicy(QComboBox::NoInsert);
    m_seacombo->setMinimumContentsLength(18);
    // The combo box has the focus and hands its focus event straight to the line edit, past
    // any filter there: entering the box is seen on the box itself.
    m_seacombo->installEventFilter(this);
    connect(m_seacombo->lineEdit(), &QLineEdit::returnPressed, this, [this] { clickToolButton(7); });
    searchBand->addWidget(m_seacombo);
    QToolBar* toolbar1 = makeBar(QStringLiteral("Toolbar1"), QStringLiteral("Search command"));
    addToolBar(Qt::TopToolBarArea, searchBand);
    addToolBar(Qt::TopToolBarArea, toolbar1);

    for (const ToolButtonDef& b : toolButtons()) {
        QToolBar* bar = m_toolbars.value(QLatin1String(b.toolbar));
        const QString iconName = QLatin1String(b.iconTheme);
        const QIcon icon = withFadedDisabledMode(
            QIcon::fromTheme(iconName, style()->standardIcon(fallbackIcon(iconName))));
        QAction* action = bar->addAction(icon, QString::fromLatin1(b.tooltip));
        action->setToolTip(QString::fromLatin1(b.tooltip));
        action->setObjectName(QStringLiteral("tool_%1").arg(b.id));
        action->setData(b.id);
        const int id = b.id;
        connect(action, &QAction::triggered, this, [this, id] { clickToolButton(id); });
        m_toolButtons.insert(b.id, action);
        if (b.id == 3 || b.id == 5)
            bar->addSeparator();
    }
}

QWidget* MainWindow::buildChannelTabs()
{
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("TabStrip1"));

    auto* frChannel = new QWidget(m_tabs);
    frChannel->setObjectName(QStringLiteral("frChannel"));
    auto* form1 = new QFormLayout(frChannel);
    m_text1 = new QLineEdit(frChannel);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text3 = new QLineEdit(frChannel);
    m_text3->setObjectName(QStringLiteral("Text3"));
    m_text3->setPlaceholderText(QStringLiteral("https://"));
    m_text2 = new QPlainTextEdit(frChannel);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_text2->setTabChangesFocus(true);
    m_text2->setMinimumHeight(60);
    m_text2->setMaximumHeight(120);
    m_ddate = new QDateEdit(frChannel);
    m_ddate->setObjectName(QStringLiteral("ddate"));
    m_ddate->setCalendarPopup(true);
    m_ddate->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    m_dtime = new QTimeEdit(frChannel);
    m_dtime->setObjectName(QStringLiteral("dtime"));
    m_dtime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    m_check3 = new QCheckBox(QStringLiteral("Auto PubDate"), frChannel);
    m_check3->setObjectName(QStringLiteral("Check3"));
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(m_ddate);
    dateRow->addWidget(m_dtime);
    dateRow->addWidget(m_check3);
    dateRow->addStretch(1);
    m_combo1 = new QComboBox(frChannel);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setMaxVisibleItems(20);
    form1->addRow(QStringLiteral("Title:"), m_text1);
    form1->addRow(QStringLiteral("Link:"), m_text3);
    form1->addRow(QStringLiteral("Description:"), m_text2);
    form1->addRow(QStringLiteral("PubDate:"), dateRow);
    form1->addRow(QStringLiteral("Language:"), m_combo1);

    auto* frChannel2 = new QWidget(m_tabs);
    frChannel2->setObjectName(QStringLiteral("frChannel2"));
    auto* form2 = new QFormLayout(frChannel2);
    m_text4 = new QLineEdit(frChannel2);
    m_text4->setObjectName(QStringLiteral("Text4"));
    m_text5 = new QLineEdit(frChannel2);
    m_text5->setObjectName(QStringLiteral("Text5"));
    m_text5->setPlaceholderText(QStringLiteral("editor@example.com (Name)"));
    m_text6 = new QLineEdit(frChannel2);
    m_text6->setObjectName(QStringLiteral("Text6"));
    m_text6->setPlaceholderText(QStringLiteral("webmaster@example.com (Name)"));
    m_combo3 = new QComboBox(frChannel2);
    m_combo3->setObjectName(QStringLiteral("Combo3"));
    m_combo3->setMaxVisibleItems(20);
    m_combo2 = new QComboBox(frChannel2);
    m_combo2->setObjectName(QStringLiteral("Combo2"));
    m_combo2->addItems(kMediaTypes);
    m_combo2->setVisible(false); // the episode editor offers these media types
    form2->addRow(QStringLiteral("Copyright:"), m_text4);
    form2->addRow(QStringLiteral("Editor:"), m_text5);
    form2->addRow(QStringLiteral("Webmaster:"), m_text6);
    form2->addRow(QStringLiteral("Encoding:"), m_combo3);

    m_tabs->addTab(frChannel, QStringLiteral("Required Fields"));
    m_tabs->addTab(frChannel2, QStringLiteral("Optional Fields"));
    m_directories = new DirectoriesTab(m_tabs);
    m_tabs->addTab(m_directories, QStringLiteral("Directories"));

    for (QLineEdit* edit : {m_text1, m_text3, m_text4, m_text5, m_text6})
        edit->installEventFilter(this);
    m_text2->installEventFilter(this);
    connect(m_text1, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (onTitleEdited)
            onTitleEdited(text);
    });
    connect(m_combo3, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_filling && index >= 0 && onEncodingChosen)
            onEncodingChosen(index);
    });
    return m_tabs;
}

QWidget* MainWindow::buildImageArea()
{
    m_imageFrame = new QFrame(this);
    m_imageFrame->setObjectName(QStringLiteral("picFON"));
    m_imageFrame->setFrameShape(QFrame::StyledPanel);
    m_imageFrame->setFixedSize(kImageMaxWidth + 16, 190);
    m_imageFrame->setToolTip(QStringLiteral("Channel image: click to edit"));
    m_imageFrame->setCursor(Qt::PointingHandCursor);
    m_imageFrame->installEventFilter(this);
    auto* layout = new QVBoxLayout(m_imageFrame);
    m_pic = new QLabel(m_imageFrame);
    m_pic->setObjectName(QStringLiteral("pic"));
    m_pic->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_pic);
    m_imagePlaceholder = new QLabel(QStringLiteral("Click to add image"), m_imageFrame);
    m_imagePlaceholder->setObjectName(QStringLiteral("Label9"));
    m_imagePlaceholder->setAlignment(Qt::AlignCenter);
    m_imagePlaceholder->setWordWrap(true);
    m_imagePlaceholder->setStyleSheet(QStringLiteral("color: palette(mid); font-style: italic;"));
    layout->addWidget(m_imagePlaceholder);
    return m_imageFrame;
}

QWidget* MainWindow::buildEpisodeList()
{
    auto* holder = new QWidget(this);
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    m_episodes = new EpisodeListModel(this);
    m_lw3 = new QTreeView(holder);
    m_lw3->setObjectName(QStringLiteral("lw3"));
    m_lw3->setModel(m_episodes);
    m_lw3->setRootIsDecorated(false);
    m_lw3->setUniformRowHeights(true);
    m_lw3->setAllColumnsShowFocus(true);
    m_lw3->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lw3->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lw3->setAlternatingRowColors(true);
    m_lw3->setContextMenuPolicy(Qt::CustomContextMenu);
    m_lw3->header()->setStretchLastSection(true);
    m_lw3->setColumnWidth(0, 420);
    m_lw3->setColumnWidth(1, 220);
    m_lw3->viewport()->installEventFilter(this);
    // A double click or Enter opens the editor. Not through `activated`: the view raises it for
    // a double click as well, which opened the editor a second time after the first closed.
    connect(m_lw3, &QTreeView::doubleClicked, this, [this] { run(QStringLiteral("episode_edit")); });
    m_lw3->installEventFilter(this);

    auto* context = new QMenu(m_lw3);
    context->setObjectName(QStringLiteral("contextmenu1"));
    for (const ContextItemDef& item : episodeContextItems()) {
        QAction* action = context->addAction(QString::fromLatin1(item.caption));
        action->setObjectName(QLatin1String(item.name));
        const QString command = QLatin1String(item.command);
        connect(action, &QAction::triggered, this, [this, command] { run(command); });
        m_actions.insert(QLatin1String(item.name), action);
    }
    connect(m_lw3, &QWidget::customContextMenuRequested, this, [this, context](const QPoint& pos) {
        if (m_noPodcast)
            return;
        for (const ContextItemDef& item : episodeContextItems()) {
            QAction* target = m_actions.value(QLatin1String(item.command));
            m_actions.value(QLatin1String(item.name))->setEnabled(target && target->isEnabled());
        }
        context->popup(m_lw3->viewport()->mapToGlobal(pos));
    });

    m_episodePlaceholder = new QLabel(QStringLiteral("Click to add episode"), m_lw3->viewport());
    m_episodePlaceholder->setObjectName(QStringLiteral("Label11"));
    m_episodePlaceholder->setAlignment(Qt::AlignCenter);
    m_episodePlaceholder->setStyleSheet(
        QStringLiteral("color: palette(mid); font-size: 13pt; font-style: italic;"));
    m_episodePlaceholder->setCursor(Qt::PointingHandCursor);
    m_episodePlaceholder->installEventFilter(this);
    layout->addWidget(m_lw3);
    return holder;
}

void MainWindow::buildStatusBar()
{
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatusPanel1"));
    m_status->setMinimumWidth(5000 / kTwipsPerPixel);
    m_clock = new QLabel(this);
    m_clock->setObjectName(QStringLiteral("StatusPanel2"));
    m_clock->setMinimumWidth(3000 / kTwipsPerPixel);
    m_clock->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(m_status, 1);
    statusBar()->addPermanentWidget(m_clock);
    auto* clockTimer = new QTimer(this);
    clockTimer->setInterval(150);
    connect(clockTimer, &QTimer::timeout, this, &MainWindow::updateClock);
    clockTimer->start();
    updateClock();
}

void MainWindow::updateClock()
{
    const QLocale locale;
    const QDateTime now = QDateTime::currentDateTime();
    const QString text = locale.toString(now.date(), QLocale::LongFormat) + QLatin1Char(' ')
                         + locale.toString(now.time(), QLocale::ShortFormat);
    if (m_clock->text() != text)
        m_clock->setText(text);
}

void MainWindow::setStatusText(const QString& text)
{
    m_status->setText(text);
}

QString MainWindow::statusText() const
{
    return m_status->text();
}

void MainWindow::setEncodingLines(const QStringList& lines)
{
    m_filling = true;
    m_combo3->clear();
    m_combo3->addItems(lines);
    m_filling = false;
}

void MainWindow::run(const QString& command)
{
    if (onCommand)
        onCommand(command);
}

void MainWindow::clickToolButton(int id)
{
    for (const ToolButtonDef& b : toolButtons()) {
        if (b.id != id)
            continue;
        if (b.needsPodcast && m_noPodcast)
            return;
        run(QLatin1String(b.command));
        return;
    }
}

void MainWindow::refreshPlaceholders()
{
    bool noPodcast = m_noPodcast;
    bool hasImage = false;
    if (placeholderState)
        placeholderState(noPodcast, hasImage);
    m_imagePlaceholder->setVisible(!noPodcast && !hasImage);
    m_episodePlaceholder->setVisible(!noPodcast && m_episodes->rowCount() == 0);
    layoutPlaceholders();
}

void MainWindow::layoutPlaceholders()
{
    m_episodePlaceholder->setGeometry(m_lw3->viewport()->rect());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (auto* edit = qobject_cast<QLineEdit*>(watched))
            QTimer::singleShot(0, edit, &QLineEdit::selectAll);
        else if (watched == m_text2)
            QTimer::singleShot(0, m_text2, &QPlainTextEdit::selectAll);
        else if (watched == m_seacombo)
            QTimer::singleShot(0, m_seacombo->lineEdit(), &QLineEdit::selectAll);
    }
    if (event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && !m_noPodcast) {
        if (watched == m_imageFrame) {
            run(QStringLiteral("m_image_edit"));
            return true;
        }
        if (watched == m_episodePlaceholder
            || (watched == m_lw3->viewport() && m_episodes->rowCount() == 0)) {
            run(QStringLiteral("m_item_new"));
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && watched == m_lw3) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            run(QStringLiteral("episode_edit"));
            return true;
        }
    }
    if (event->type() == QEvent::Resize && watched == m_lw3->viewport())
        layoutPlaceholders();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeUnattended()
{
    m_unattended = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_unloaded && onCloseRequested && !onCloseRequested()) {
        event->ignore();
        return;
    }
    if (!m_unloaded) {
        m_unloaded = true;
        if (onUnload)
            onUnload();
    }
    event->accept();
}

// MainView

void MainWindow::setProjectLines(const QStringList& lines)
{
    m_filling = true;
    m_procombo->clear();
    m_procombo->addItems(lines);
    m_procombo->setCurrentIndex(-1);
    m_filling = false;
}

void MainWindow::selectProjectLine(int index)
{
    m_procombo->setCurrentIndex(index);
}

int MainWindow::selectedProjectLine() const
{
    return m_procombo->currentIndex();
}

ChannelFieldValues MainWindow::channelFields() const
{
    ChannelFieldValues v;
    v.title = m_text1->text();
    v.link = m_text3->text();
    v.description = m_text2->toPlainText();
    v.copyright = m_text4->text();
    v.managingEditor = m_text5->text();
    v.webMaster = m_text6->text();
    const QDate d = m_ddate->date();
    const QTime t = m_dtime->time();
    v.year = d.year();
    v.month = d.month();
    v.day = d.day();
    v.hour = t.hour();
    v.minute = t.minute();
    v.second = t.second();
    v.languageIndex = m_combo1->currentIndex();
    v.autoDate = m_check3->isChecked();
    v.directory = m_directories->values();
    return v;
}

void MainWindow::showChannelFields(const ChannelFieldValues& v)
{
    m_filling = true;
    m_check3->setChecked(v.autoDate);
    m_text1->setText(v.title);
    m_text3->setText(v.link);
    m_text4->setText(v.copyright);
    m_text5->setText(v.managingEditor);
    const QDate date(v.year, v.month, v.day);
    m_ddate->setDate(date.isValid() ? date : QDate::currentDate());
    m_dtime->setTime(QTime(v.hour, v.minute, v.second));
    m_text2->setPlainText(v.description);
    m_text6->setText(v.webMaster);
    m_combo1->setCurrentIndex(v.languageIndex);
    m_directories->showChannel(v.directory);
    m_filling = false;
}

void MainWindow::setLanguageLines(const QStringList& lines)
{
    m_filling = true;
    m_combo1->clear();
    m_combo1->addItems(lines);
    m_combo1->setCurrentIndex(-1);
    m_filling = false;
}

void MainWindow::selectEncoding(int index)
{
    m_filling = true;
    m_combo3->setCurrentIndex(index);
    m_filling = false;
}

void MainWindow::refillEpisodes(const QList<EpisodeRow>& rows, int selectRow)
{
    m_episodes->setRows(rows);
    selectEpisodeRow(selectRow);
    refreshPlaceholders();
}

int MainWindow::selectedEpisodeRow() const
{
    const QModelIndex current = m_lw3->selectionModel()->currentIndex();
    if (!current.isValid() || !m_lw3->selectionModel()->isRowSelected(current.row(), {}))
        return 0;
    return current.row() + 1;
}

void MainWindow::selectEpisodeRow(int row)
{
    if (row < 1 || row > m_episodes->rowCount()) {
        m_lw3->selectionModel()->clear();
        return;
    }
    const QModelIndex index = m_episodes->index(row - 1, 0);
    m_lw3->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_lw3->scrollTo(index);
}

void MainWindow::focusEpisodeList()
{
    m_lw3->setFocus();
}

void MainWindow::showChannelImage(const QImage& image)
{
    QPixmap pixmap = QPixmap::fromImage(image);
    // The frame has a fixed size; the label may not be laid out yet when the first podcast opens.
    const QSize room = m_imageFrame->contentsRect().size().boundedTo(QSize(kImageMaxWidth, kImageMaxHeight))
                       - QSize(4, 4);
    if (pixmap.width() > room.width() || pixmap.height() > room.height())
        pixmap = pixmap.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    m_pic->setPixmap(pixmap);
}

void MainWindow::clearChannelImage()
{
    m_pic->clear();
}

void MainWindow::setTitle(const QString& title)
{
    setWindowTitle(title);
}

void MainWindow::applyCommandState(const CommandState& state)
{
    m_noPodcast = !state.hasPodcast;
    const bool podcast = state.hasPodcast && !state.busy;
    const bool episodes = podcast && state.hasEpisodes;

    m_seacombo->setEnabled(state.hasPodcast);
    for (QWidget* w : std::initializer_list<QWidget*>{m_text1, m_text2, m_text3, m_text4, m_text5,
                                                      m_text6, m_ddate, m_dtime, m_combo1, m_combo3,
                                                      m_check3, m_directories->widget()})
        w->setEnabled(podcast);
    m_toolbars.value(QStringLiteral("Toolbar1"))->setEnabled(state.hasPodcast);
    m_toolButtons.value(7)->setEnabled(state.hasPodcast);
    m_toolbars.value(QStringLiteral("Toolbar3"))->setEnabled(podcast);
    m_procombo->setEnabled(!state.busy);

    for (const char* name : {"m_save", "m_save_as", "m_remove", "m_upload", "m_item_new",
                             "m_preview", "m_options", "m_image_edit"})
        m_actions.value(QLatin1String(name))->setEnabled(podcast);
    for (const char* name : {"m_item_clone", "m_item_cut", "m_item_copy", "m_item_paste",
                             "m_item_remove", "m_item_up", "m_item_down", "m_ep_play",
                             "m_ep_stop"})
        m_actions.value(QLatin1String(name))->setEnabled(episodes);
    for (const char* name : {"m_new", "m_open", "m_download"})
        m_actions.value(QLatin1String(name))->setEnabled(!state.busy);

    // Toolbar buttons follow the command they run.
    for (const ToolButtonDef& b : toolButtons()) {
        if (QAction* target = m_actions.value(QLatin1String(b.command)))
            m_toolButtons.value(b.id)->setEnabled(target->isEnabled());
    }
    refreshPlaceholders();
}

QString MainWindow::searchText() const
{
    return m_seacombo->currentText();
}

QStringList MainWindow::searchHistory() const
{
    QStringList entries;
    for (int i = 0; i < m_seacombo->count(); ++i)
        entries << m_seacombo->itemText(i);
    return entries;
}

void MainWindow::setSearchHistory(const QStringList& entries)
{
    const QString text = m_seacombo->currentText();
    m_seacombo->clear();
    m_seacombo->addItems(entries);
    m_seacombo->setEditText(text);
}

bool MainWindow::focusChannelField(const QString& element)
{
    const std::pair<const char*, QWidget*> fields[] = {
        {"title", m_text1},          {"link", m_text3},          {"description", m_text2},
        {"copyright", m_text4},      {"managingEditor", m_text5}, {"webMaster", m_text6},
        {"pubDate", m_ddate},        {"language", m_combo1}};
    for (const auto& [name, widget] : fields) {
        if (element != QLatin1String(name) || !widget)
            continue;
        for (int i = 0; i < m_tabs->count(); ++i)
            if (m_tabs->widget(i)->isAncestorOf(widget))
                m_tabs->setCurrentIndex(i);
        activateWindow();
        widget->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return false;
}
