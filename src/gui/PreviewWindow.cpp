#include "gui/PreviewWindow.h"

#include "app/ChannelImageSeam.h"
#include "common/Prompts.h"
#include "feed/FeedDocument.h"
#include "gui/PreviewSchemeHandler.h"
#include "store/Settings.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <utility>

namespace {

// The style has no house among its pictures; this one matches its round grey arrows.
QIcon homeIcon()
{
    QPixmap pixmap(44, 44);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x7a, 0x7a, 0x7a));
    painter.drawEllipse(QRectF(2, 2, 40, 40));
    painter.setBrush(Qt::white);
    QPainterPath house;
    house.moveTo(22, 10);
    house.lineTo(34, 21);
    house.lineTo(30, 21);
    house.lineTo(30, 33);
    house.lineTo(25, 33);
    house.lineTo(25, 26);
    house.lineTo(19, 26);
    house.lineTo(19, 33);
    house.lineTo(14, 33);
    house.lineTo(14, 21);
    house.lineTo(10, 21);
    house.closeSubpath();
    painter.drawPath(house);
    painter.end();
    return QIcon(pixmap);
}

} // namespace

PreviewWindow::PreviewWindow(QString themesFolder, QString pagePath, const FeedDocument& document,
                             ChannelImageSeam& image, Settings& settings, Prompts& prompts,
                             QWidget* parent)
    : QMainWindow(parent), m_document(document), m_image(image), m_settings(settings),
      m_prompts(prompts), m_preview(std::move(themesFolder), pagePath, prompts)
{
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Preview RSS feed"));
    setObjectName(QStringLiteral("PreviewWindow"));

    // A profile of the window's own: nothing is kept on disk, and the page's scheme is served
    // only here.
    m_profile = new QWebEngineProfile(this);
    m_handler = new PreviewSchemeHandler(pagePath, m_profile);
    m_profile->installUrlSchemeHandler(PreviewSchemeHandler::schemeName(), m_handler);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* bar = new QWidget(central);
    buildToolbar(bar);
    column->addWidget(bar);

    m_view = new QWebEngineView(central);
    auto* page = new QWebEnginePage(m_profile, m_view);
    page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    page->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    m_view->setPage(page);
    m_view->setUrl(QUrl(QStringLiteral("about:blank")));
    column->addWidget(m_view, 1);
    setCentralWidget(central);

    for (const auto& [name, pageAction] :
         {std::pair{"back", QWebEnginePage::Back}, std::pair{"forward", QWebEnginePage::Forward},
          std::pair{"stop", QWebEnginePage::Stop}}) {
        QAction* own = action(QLatin1String(name));
        QAction* engine = page->action(pageAction);
        own->setEnabled(engine->isEnabled());
        connect(engine, &QAction::changed, own, [own, engine] { own->setEnabled(engine->isEnabled()); });
    }
    resize(920, 720);
}

PreviewWindow::~PreviewWindow()
{
    // The page must go before its profile.
    delete m_view;
}

void PreviewWindow::buildToolbar(QWidget* bar)
{
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 2, 8, 2);
    auto* toolbar = new QToolBar(bar);
    toolbar->setObjectName(QStringLiteral("Toolbar1"));
    toolbar->setIconSize(QSize(22, 22));
    toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);

    struct Button {
        const char* name;
        const char* caption;
        const char* icon;
        QStyle::StandardPixmap fallback;
        std::function<void()> run;
    };
    const Button buttons[] = {
        {"back", "Back", "go-previous", QStyle::SP_ArrowBack, [this] { m_view->back(); }},
        {"forward", "Forward", "go-next", QStyle::SP_ArrowForward, [this] { m_view->forward(); }},
        {"stop", "Stop", "process-stop", QStyle::SP_BrowserStop, [this] { m_view->stop(); }},
        {"refresh", "Refresh", "view-refresh", QStyle::SP_BrowserReload, [this] { m_view->reload(); }},
        {"home", "Home", "go-home", QStyle::SP_CustomBase,
         [this] { m_view->load(PreviewSchemeHandler::pageUrl()); }},
        {"help", "Help", "help-contents", QStyle::SP_DialogHelpButton, [this] {
             if (onHelp)
                 onHelp();
         }},
    };
    for (const Button& b : buttons) {
        if (QLatin1String(b.name) == QLatin1String("help"))
            toolbar->addSeparator();
        const bool home = QLatin1String(b.name) == QLatin1String("home");
        const QIcon fallback = home ? homeIcon() : style()->standardIcon(b.fallback);
        QAction* a = toolbar->addAction(QIcon::fromTheme(QLatin1String(b.icon), fallback),
                                        QLatin1String(b.caption));
        a->setObjectName(QLatin1String(b.name));
        a->setToolTip(QLatin1String(b.caption));
        connect(a, &QAction::triggered, this, b.run);
    }
    row->addWidget(toolbar);
    row->addStretch(1);

    auto* label = new QLabel(QStringLiteral("&Theme:"), bar);
    m_themeBox = new QComboBox(bar);
    m_themeBox->setObjectName(QStringLiteral("Combo1"));
    m_themeBox->setMinimumContentsLength(16);
    m_themeBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    label->setBuddy(m_themeBox);
    row->addWidget(label);
    row->addWidget(m_themeBox);
    // activated, not currentIndexChanged: choosing the shown theme again renders it again.
    connect(m_themeBox, &QComboBox::activated, this, &PreviewWindow::chooseTheme);
}

QAction* PreviewWindow::action(const QString& name) const
{
    return findChild<QAction*>(name);
}

bool PreviewWindow::open()
{
    if (!m_preview.open(m_settings.lt))
        return false;
    writeChannelImage();
    {
        const QSignalBlocker blocker(m_themeBox);
        m_themeBox->clear();
        for (const ThemeEntry& entry : m_preview.themes().entries())
            m_themeBox->addItem(entry.name);
        m_themeBox->setCurrentIndex(m_preview.current());
    }
    showTheme(m_preview.current());
    return true;
}

void PreviewWindow::chooseTheme(int index)
{
    if (showTheme(index)) {
        m_settings.lt = static_cast<qint16>(index);
    } else {
        const QSignalBlocker blocker(m_themeBox);
        m_themeBox->setCurrentIndex(m_preview.current());
    }
}

bool PreviewWindow::showTheme(int index)
{
    if (beforeRender)
        beforeRender();
    if (m_preview.render(index, m_document).isEmpty())
        return false;
    m_view->load(PreviewSchemeHandler::pageUrl());
    return true;
}

void PreviewWindow::writeChannelImage()
{
    const QString& path = m_document.channel.imageFile;
    if (path.isEmpty())
        return;
    QString error;
    // An empty error means the image library has already told the user.
    if (!m_image.mySaveImage(path, &error) && !error.isEmpty()) {
        m_prompts.message(QStringLiteral("Cannot save the channel image \"%1\":\r\n%2")
                              .arg(QDir::toNativeSeparators(path), error),
                          MessageIcon::Exclamation);
    }
}
