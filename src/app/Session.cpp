#include "app/Session.h"

#include "app/AppShell.h"
#include "app/ChannelDirectoryForm.h"
#include "app/ChannelImageSeam.h"
#include "app/FeedDownload.h"
#include "common/ProductInfo.h"
#include "common/Prompts.h"
#include "feed/CharsetTable.h"
#include "feed/FeedDateTime.h"
#include "feed/FeedEncoding.h"
#include "feed/FeedReader.h"
#include "feed/FeedWriter.h"
#include "store/LanguageTable.h"
#include "store/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kUntitled = QStringLiteral("Untitled");
const QString kSaveQuestion =
    QStringLiteral("Changes have been made to this podcast. Do you want to save them?");

bool isUntitledPath(const QString& path)
{
    return path == kUntitled;
}

QString fileNamePart(const QString& path)
{
    return FeedDocument::documentNameForPath(path);
}

bool samePath(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return QDir::cleanPath(a).compare(QDir::cleanPath(b), Qt::CaseInsensitive) == 0;
#else
    return QDir::cleanPath(a) == QDir::cleanPath(b);
#endif
}

} // namespace

Session::Session(AppShell& shell, ChannelImageSeam& image) : m_shell(shell), m_image(image) {}

Session::~Session() = default;

void Session::setView(MainView* view)
{
    m_view = view;
}

ProjectList& Session::projects()
{
    return m_shell.projects();
}

Settings& Session::settings()
{
    return m_shell.settings();
}

Prompts& Session::prompts()
{
    return m_shell.prompts();
}

const LanguageTable& Session::languages() const
{
    return m_shell.languages();
}

ProjectEntry* Session::currentEntry()
{
    ProjectList& list = projects();
    if (list.count() == 0)
        return nullptr;
    const int current = qBound(0, list.current(), list.count() - 1);
    return &list[current];
}

bool Session::noPodcast() const
{
    return m_shell.projects().count() == 0;
}

void Session::setBusy(bool busy)
{
    m_busyDepth = qMax(0, m_busyDepth + (busy ? 1 : -1));
    refreshCommandState();
}

// ---------------------------------------------------------------- start and exit

void Session::startUp()
{
    QStringList lines;
    for (const LanguageTable::Entry& e : languages().entries())
        lines << e.line;
    m_view->setLanguageLines(lines);
    QStringList history;
    for (const QString& s : settings().searchHistory) {
        if (!s.isEmpty())
            history << s;
    }
    m_view->setSearchHistory(history);
    refreshCommandState();
    m_flags.skipSaveOnSwitch = true;
    refreshProjectList(settings().lastProject);
    m_flags.skipSaveOnSwitch = false;
}

void Session::openCommandLine(const QString& text)
{
    QString path = text;
    while (path.startsWith(QLatin1Char(' ')))
        path.remove(0, 1);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    openPath(QFileInfo(path).absoluteFilePath());
}

bool Session::saveAtExit(bool unattended)
{
    m_flags.quietSave = true;
    storeWindowFields();
    const QStringList history = m_view->searchHistory();
    for (int i = 0; i < 10; ++i)
        settings().searchHistory[static_cast<size_t>(i)] = i < history.size() ? history.at(i) : QString();
    if (!settings().autoSave) {
        m_flags.quietSave = false;
        return true;
    }
    if (unattended) {
        // Nobody can answer: a titled podcast is saved, an untitled one stays in the list.
        m_flags.saveWithoutPrompt = false;
        m_flags.keepUntitledEntry = true;
        if (m_doc.untitled) {
            m_flags = Flags{};
            return true;
        }
    }
    if (saveFlow())
        return true;
    if (unattended)
        return true;
    return prompts().askYesNo(QStringLiteral("The podcast could not be saved. Quit without saving "
                                             "it?\r\n\r\nChoose No to keep Velmora open."),
                              MessageIcon::Exclamation);
}

// ---------------------------------------------------------------- commands

void Session::newPodcast()
{
    if (!startUntitledPodcast())
        return;
    const int position = projects().current();
    if (settings().useTemplate && !settings().templates.isEmpty()) {
        const FeedFileText file = readFeedFile(settings().templates);
        if (file.status == FeedFileText::Status::Ok && !file.text.isEmpty()) {
            readIntoDocument(file.text);
            ProjectEntry& entry = projects()[position];
            entry.encodingIndex = static_cast<qint16>(detectDeclaredEncoding(file.text));
            m_doc.channel.imageFile = entry.imagePath;
            m_view->selectEncoding(entry.encodingIndex);
            showChannelImage();
            refillEpisodeList(1);
        }
        m_doc.untitled = true;
        m_doc.documentName = kUntitled;
        showChannelFields();
    }
    storeWindowFields();
    refreshCommandState();
}

bool Session::startUntitledPodcast()
{
    if (busy())
        return false;
    m_flags.quietSave = true;
    storeWindowFields();
    if (!saveFlow())
        return false;
    m_doc.clear();
    m_docSource.clear();

    const int position = projects().newProject();
    projects()[position].path = kUntitled;
    m_flags.skipSaveOnSwitch = true;
    refreshProjectList(position);
    m_flags.skipSaveOnSwitch = false;

    m_doc.applyNewPodcastDefaults(settings().interfaceLanguage);
    m_doc.untitled = true;
    m_doc.documentName = kUntitled;
    // The window shows the new podcast at once, so that storing the fields later never copies
    // the previous podcast's fields into it.
    showChannelFields();
    refreshCommandState();
    updateWindowTitle();
    return true;
}

void Session::open()
{
    if (busy())
        return;
    const FileDialogResult chosen = prompts().openFile(
        QStringLiteral("Open RSS feed"),
        {FileFilter{QStringLiteral("RSS or XML file"), QStringLiteral("*.rss;*.xml")},
         FileFilter{QStringLiteral("All files"), QStringLiteral("*.*")}});
    if (!chosen.accepted() || !QFileInfo(chosen.path).isFile())
        return;
    openPath(chosen.path);
}

bool Session::openPath(const QString& path)
{
    if (busy())
        return false;
    // Only an RSS file that decodes without loss is taken into the list and rewritten in the
    // program's form; anything else is refused before a file is touched.
    QFile input(path);
    const QByteArray raw = input.open(QIODevice::ReadOnly) ? input.readAll() : QByteArray();
    const FeedFileText file = feedTextFromBytes(raw);
    if (input.isOpen() && file.status == FeedFileText::Status::Ok) {
        const bool lossy = file.text.isEmpty() || !file.lossless;
        const FeedType type = lossy ? FeedType::NotXml
                                    : detectFeedType(stripDocumentType(file.text));
        if (type == FeedType::Atom || type == FeedType::Rdf)
            return importAsNewPodcast(raw);
        if (type != FeedType::Rss) {
            reportFailedLoad(path);
            return false;
        }
    }

    m_flags.quietSave = true;
    storeWindowFields();
    if (!saveFlow())
        return false;
    m_doc.clear();
    m_docSource.clear();
    addFeedToList(path);
    if (samePath(m_docSource, path)) {
        m_flags.quietSave = true;
        saveFlow();
    }
    storeWindowFields();
    refreshCommandState();
    return samePath(m_docSource, path);
}

bool Session::importAsNewPodcast(const QByteArray& bytes)
{
    // Atom and RSS 1.0 files become a new untitled podcast; the file itself is never rewritten.
    if (!startUntitledPodcast())
        return false;
    const DownloadedFeed feed = importDownloadedFeed(bytes, m_doc, &prompts());
    if (feed.outcome != DownloadedFeed::Outcome::Imported)
        return false;
    showImportedPodcast(feed.encodingIndex);
    return true;
}

void Session::showImportedPodcast(int encodingIndex)
{
    ProjectEntry* entry = currentEntry();
    if (!entry)
        return;
    m_doc.untitled = true;
    m_doc.documentName = FeedDocument::documentNameForPath(entry->path);
    entry->encodingIndex = static_cast<qint16>(encodingIndex);
    m_doc.channel.imageFile = entry->imagePath;
    m_view->selectEncoding(entry->encodingIndex);
    prompts().processEvents();
    showChannelImage();
    refillEpisodeList(1);
    showChannelFields();
    refreshCommandState();
    updateWindowTitle();
}

void Session::save()
{
    runSaveCommand(false);
}

void Session::saveAs()
{
    runSaveCommand(true);
}

void Session::runSaveCommand(bool saveAs)
{
    if (busy() || noPodcast())
        return;
    // Save keeps an untitled podcast whose dialog was cancelled; Save as always asks for a name.
    m_flags.saveWithoutPrompt = true;
    m_flags.keepUntitledEntry = !saveAs;
    m_flags.saveAsRequested = saveAs;
    storeWindowFields();
    saveFlow();
    m_shell.saveProjectList();
    refreshCommandState();
    m_flags.keepUntitledEntry = false;
}

void Session::remove()
{
    if (busy() || noPodcast())
        return;
    if (prompts().askYesNo(
            QStringLiteral("Are you sure you want to remove this podcast from your list?")))
        removeProject(qMax(0, m_view->selectedProjectLine()));
    refreshCommandState();
}

void Session::projectSelectionChanged()
{
    if (m_flags.ignoreProjectSelection) {
        updateWindowTitle();
        return;
    }
    if (projects().count() == 0) {
        updateWindowTitle();
        return;
    }
    const int outgoing = projects().current();
    storeWindowFields();
    if (!m_flags.skipSaveOnSwitch) {
        m_flags.quietSave = true;
        if (!saveFlow()) {
            // The edits stay on screen: the selector goes back to the podcast they belong to.
            m_flags.ignoreProjectSelection = true;
            m_view->selectProjectLine(outgoing);
            m_flags.ignoreProjectSelection = false;
            return;
        }
    }
    m_doc.clear();
    m_docSource.clear();
    m_flags.loadingPodcast = true;
    loadProject(qMax(0, m_view->selectedProjectLine()));
    m_flags.loadingPodcast = false;
    projects().setCurrent(qMax(0, m_view->selectedProjectLine()));
    refillEpisodeList(1);
    showChannelFields();
    refreshCommandState();
    updateWindowTitle();
}

void Session::titleEdited(const QString& text)
{
    m_doc.channel.title = text;
    m_view->setTitle(QLatin1String(product::kBaseTitle) + QStringLiteral(" - [") + text
                     + QLatin1Char(']'));
}

void Session::encodingChosen(int index)
{
    if (ProjectEntry* entry = currentEntry())
        entry->encodingIndex = static_cast<qint16>(qBound(0, index, charsets::kCount - 1));
}

// ---------------------------------------------------------------- the save flow

QString Session::askSavePath()
{
    const FileDialogResult chosen = prompts().saveFile(
        QStringLiteral("Save feed"),
        {FileFilter{QStringLiteral("Podcast feed  (.rss)"), QStringLiteral("*.rss")},
         FileFilter{QStringLiteral("Podcast feed (.xml)"), QStringLiteral("*.xml")},
         FileFilter{QStringLiteral("All files"), QStringLiteral("*.*")}});
    if (!chosen.accepted())
        return {};
    // The name buffer of the dialog holds 255 characters.
    return applySaveExtension(chosen.path.left(255), chosen.filterIndex);
}

QString Session::applySaveExtension(const QString& name, int filterIndex)
{
    if (name.isEmpty())
        return name;
    const QString upper = name.toUpper();
    if (filterIndex == 0 && !upper.contains(QLatin1String(".RSS")))
        return name + QStringLiteral(".rss");
    if (filterIndex == 1 && !upper.contains(QLatin1String(".XML")))
        return name + QStringLiteral(".xml");
    return name;
}

bool Session::mayWriteQuietly(const QString& path) const
{
    // A quiet save (switch, exit, new, open) rewrites only the file the document came from.
    return samePath(path, m_docSource);
}

bool Session::saveFlow()
{
    if (projects().count() == 0) {
        m_flags.quietSave = false;
        m_flags.saveWithoutPrompt = false;
        m_flags.saveAsRequested = false;
        m_flags.keepUntitledEntry = false;
        return true;
    }
    ProjectEntry& entry = *currentEntry();
    const bool untitled = m_doc.untitled || isUntitledPath(entry.path);
    bool explicitTarget = m_flags.saveWithoutPrompt;
    QString path;
    if (untitled) {
        bool wantsSave = m_flags.saveWithoutPrompt;
        if (!wantsSave)
            wantsSave = prompts().message(kSaveQuestion, MessageIcon::Exclamation,
                                          MessageButtons::YesNo) == MessageAnswer::Yes;
        if (wantsSave && !m_flags.saveAsRequested) {
            path = askSavePath();
            explicitTarget = true;
        }
    } else {
        path = entry.path;
    }
    if (m_flags.saveAsRequested) {
        path = askSavePath();
        explicitTarget = true;
        if (path.isEmpty()) {
            m_flags.quietSave = true;
            finishSaveFlow(false);
            return true;
        }
    }
    if (path.isEmpty() && untitled && m_flags.keepUntitledEntry) {
        finishSaveFlow(false);
        return true;
    }
    if (path.isEmpty()) {
        // An untitled podcast the user chose not to save leaves the list.
        const int removed = projects().current();
        const int selected = m_view->selectedProjectLine();
        projects().entries().removeAt(removed);
        projects().setCurrent(qMin(removed, qMax(0, projects().count() - 1)));
        if (selected > removed) {
            m_flags.ignoreProjectSelection = true;
            m_view->selectProjectLine(selected - 1);
            m_flags.ignoreProjectSelection = false;
        }
        finishSaveFlow(false);
        return true;
    }
    if (!explicitTarget && !mayWriteQuietly(path)) {
        // The document was not read from this file (a failed or missing load): writing it
        // there would replace the podcast with what is on screen.
        finishSaveFlow(false);
        return true;
    }
    const bool ok = writeDocument(path);
    finishSaveFlow(ok);
    return ok;
}

bool Session::writeDocument(const QString& path)
{
    ProjectEntry& entry = *currentEntry();
    const QString previousPath = entry.path;
    const bool previousUntitled = m_doc.untitled;
    entry.path = path;
    m_doc.untitled = false;
    prompts().setStatusText(QStringLiteral("Saving..."));

    if (settings().createBackup && QFileInfo::exists(path)) {
        const QString backup = path + QStringLiteral(".bak");
        QFile::remove(backup);
        QFile::copy(path, backup);
    }
    prompts().processEvents();
    const FeedWriteResult result = writeFeedFile(path, m_doc, entry.encodingIndex, prompts(),
                                                 m_image.pictureSize());
    if (!result.ok) {
        entry.path = previousPath;
        m_doc.untitled = previousUntitled;
        if (!result.encodingFailed) {
            prompts().message(QStringLiteral("Cannot save \"%1\":\r\n%2")
                                  .arg(QDir::toNativeSeparators(path), result.error),
                              MessageIcon::Critical);
        }
        return false;
    }
    m_docSource = path;
    m_doc.documentName = fileNamePart(path);
    m_titles.remove(path);

    if (m_doc.channel.imageFile.isEmpty()) {
        entry.imagePath.clear();
    } else {
        QString error;
        if (!m_image.mySaveImage(m_doc.channel.imageFile, &error) && !error.isEmpty()) {
            prompts().message(QStringLiteral("Cannot save the channel image \"%1\":\r\n%2")
                                  .arg(QDir::toNativeSeparators(m_doc.channel.imageFile), error),
                              MessageIcon::Exclamation);
        }
        entry.imagePath = m_doc.channel.imageFile;
    }
    return true;
}

void Session::finishSaveFlow(bool wrote)
{
    prompts().setStatusText(QStringLiteral("Done."));
    m_flags.saveAsRequested = false;
    const bool wasIgnoring = m_flags.ignoreProjectSelection;
    m_flags.ignoreProjectSelection = true;
    refreshProjectList(m_view->selectedProjectLine());
    m_flags.ignoreProjectSelection = wasIgnoring;
    if (wrote && !m_flags.quietSave)
        prompts().message(QStringLiteral("Save successfull."), MessageIcon::Information);
    m_flags.quietSave = false;
    m_flags.saveWithoutPrompt = false;
    m_flags.keepUntitledEntry = false;
}

// ---------------------------------------------------------------- opening and the list

bool Session::readIntoDocument(const QString& text)
{
    setBusy(true);
    const bool ok = readFeed(text, m_doc, &prompts());
    setBusy(false);
    return ok;
}

void Session::loadProject(int index)
{
    m_doc.episodes.clear();
    ProjectList& list = projects();
    if (list.count() == 0) {
        prompts().setStatusText(QStringLiteral("Done."));
        return;
    }
    index = qBound(0, index, list.count() - 1);
    const QString entryPath = list[index].path;
    const QString path = isUntitledPath(entryPath) ? QString() : entryPath;
    int declaredEncoding = detectDeclaredEncodingUtf8({});
    if (!path.isEmpty()) {
        prompts().setStatusText(QStringLiteral("Loading..."));
        // The markup stays in UTF-8 from the file to the parser.
        FeedFileUtf8 file = readFeedFileUtf8(path);
        if (file.status != FeedFileText::Status::Ok) {
            const QString question =
                QStringLiteral("The file \"%1\" could not be opened.\r\nWould you like to remove "
                               "this podcast from the list?")
                    .arg(QDir::toNativeSeparators(path));
            if (prompts().askYesNo(question)) {
                removeProject(index);
                refreshCommandState();
            } else {
                // The entry stays; the empty document is never saved over the missing file.
                m_docSource.clear();
                m_doc.untitled = false;
            }
            prompts().setStatusText(QStringLiteral("Done."));
            return;
        }
        const bool undecodable = file.utf8.isEmpty();
        declaredEncoding = detectDeclaredEncodingUtf8(file.utf8);
        bool read = false;
        if (!undecodable) {
            setBusy(true);
            read = readFeedUtf8(std::move(file.utf8), m_doc, &prompts());
            setBusy(false);
        }
        if (!read) {
            reportFailedLoad(path);
            removeProject(index);
            refreshCommandState();
            prompts().setStatusText(QStringLiteral("Done."));
            return;
        }
        m_docSource = path;
    }
    ProjectEntry& entry = list[index];
    entry.encodingIndex = static_cast<qint16>(declaredEncoding);
    m_doc.channel.imageFile = entry.imagePath;
    m_view->selectEncoding(entry.encodingIndex);
    prompts().processEvents();
    showChannelImage();
    m_doc.untitled = isUntitledPath(entryPath);
    m_doc.documentName = isUntitledPath(entryPath) ? kUntitled : fileNamePart(entryPath);
    prompts().setStatusText(QStringLiteral("Done."));
}

void Session::reportFailedLoad(const QString& path)
{
    prompts().message(
        QStringLiteral("Failed to load RSS document: \"%1\"\r\nPlease check your file manually "
                       "or contract with developers at '%2'")
            .arg(fileNamePart(path), QLatin1String(product::kSupportEmail)),
        MessageIcon::Critical);
}

void Session::showChannelImage()
{
    if (!m_doc.channel.imageFile.isEmpty() && m_image.loadShowPicture(m_doc.channel.imageFile, m_doc.channel)) {
        m_view->showChannelImage(m_image.picture());
        return;
    }
    if (m_doc.channel.imageFile.isEmpty())
        m_image.clearPrjImage();
    m_view->clearChannelImage();
}

void Session::removeProject(int index)
{
    projects().entries().removeAt(index);
    projects().setCurrent(0);
    prompts().processEvents();
    m_doc.clear();
    m_docSource.clear();
    m_doc.channel.imageFile.clear();
    m_image.clearPrjImage();
    m_view->clearChannelImage();
    m_doc.currentEpisode = 0;
    m_doc.episodes.clear();
    const bool wasIgnoring = m_flags.ignoreProjectSelection;
    m_flags.ignoreProjectSelection = true;
    m_shell.saveProjectList();
    refreshProjectList(0);
    m_flags.ignoreProjectSelection = wasIgnoring;
    loadProject(0);
    projects().setCurrent(0);
    showChannelFields();
    refillEpisodeList(1);
    updateWindowTitle();
}

void Session::addFeedToList(const QString& path)
{
    const int position = projects().addFeedFile(path);
    m_flags.skipSaveOnSwitch = true;
    refreshProjectList(position);
    m_flags.skipSaveOnSwitch = false;
    m_doc.currentEpisode = 0;
    m_doc.untitled = false;
    m_doc.documentName = fileNamePart(path);
    refreshCommandState();
}

void Session::refreshProjectList(int index)
{
    ProjectList& list = projects();
    if (index < 0 || index >= list.count())
        index = 0;
    if (list.count() == 0) {
        m_view->setProjectLines({QStringLiteral("[Empty]")});
        m_view->selectProjectLine(0);
        return;
    }
    QStringList lines;
    for (const ProjectEntry& entry : list.entries()) {
        QString title = isUntitledPath(entry.path) ? QString() : getFeedTitle(entry.path);
        if (title.isEmpty())
            title = fileNamePart(entry.path);
        lines << title;
    }
    m_view->setProjectLines(lines);
    m_view->selectProjectLine(index);
}

QString Session::getFeedTitle(const QString& path)
{
    // Titles are cached by file stamp: the list is refilled after every change, and reading
    // every feed each time would make a long list slow.
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    const QDateTime modified = info.lastModified();
    const auto cached = m_titles.constFind(path);
    if (cached != m_titles.constEnd() && cached->modified == modified && cached->size == info.size())
        return cached->title;
    const QString title = feedTitleOfFile(path);
    m_titles.insert(path, TitleCacheEntry{modified, info.size(), title});
    return title;
}

void Session::updateWindowTitle()
{
    const QString base = QLatin1String(product::kBaseTitle);
    const ProjectEntry* entry = currentEntry();
    if (!entry || entry->path.isEmpty()) {
        m_view->setTitle(base);
        return;
    }
    if (isUntitledPath(entry->path)) {
        m_view->setTitle(base + QStringLiteral(" - [Untitled]"));
        return;
    }
    m_view->setTitle(base + QStringLiteral(" - [") + getFeedTitle(entry->path) + QLatin1Char(']'));
}

// ---------------------------------------------------------------- channel fields

void Session::storeWindowFields()
{
    if (!m_view)
        return;
    const ChannelFieldValues v = m_view->channelFields();
    ProjectEntry* entry = currentEntry();
    if (!m_flags.skipSaveOnSwitch && entry)
        entry->autoDate = v.autoDate;
    Channel& c = m_doc.channel;
    c.title = v.title;
    c.link = v.link;
    c.copyright = v.copyright;
    c.managingEditor = v.managingEditor;
    c.webMaster = v.webMaster;
    ChannelDirectoryForm::copyFields(v.directory, c);
    FeedDateTime date;
    date.year = static_cast<std::int16_t>(v.year);
    date.month = static_cast<std::int16_t>(v.month);
    date.day = static_cast<std::int16_t>(v.day);
    date.hour = static_cast<std::int16_t>(v.hour);
    date.minute = static_cast<std::int16_t>(v.minute);
    date.second = static_cast<std::int16_t>(v.second);
    c.pubDate = formatFeedDate(date);
    // The document keeps CR LF line ends, as the reader gives them.
    QString description = v.description;
    description.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    description.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    c.description = replaceEntities(description);
    const QList<LanguageTable::Entry>& table = languages().entries();
    if (!table.isEmpty() && v.languageIndex >= 0 && v.languageIndex < table.size())
        c.language = table.at(v.languageIndex).code;
}

void Session::changeChannel(const std::function<void(Channel&)>& change)
{
    storeWindowFields();
    change(m_doc.channel);
    showChannelFields();
}

void Session::showChannelFields()
{
    if (!m_view)
        return;
    ChannelFieldValues v;
    const ProjectEntry* entry = currentEntry();
    v.autoDate = entry && entry->autoDate;
    const Channel& c = m_doc.channel;
    v.title = c.title;
    v.link = c.link;
    v.copyright = c.copyright;
    v.managingEditor = c.managingEditor;
    const FeedDateTime date = parseFeedDate(c.pubDate);
    v.year = date.year;
    v.month = date.month;
    v.day = date.day;
    v.hour = date.hour;
    v.minute = date.minute;
    v.second = date.second;
    v.description = c.description;
    v.webMaster = c.webMaster;
    v.directory = c;
    // A code the language list does not hold selects nothing, so that storing the fields
    // keeps it instead of replacing it with the list's first language.
    v.languageIndex = -1;
    if (!c.language.isEmpty()) {
        const QList<LanguageTable::Entry>& table = languages().entries();
        for (int i = 0; i < table.size() && v.languageIndex < 0; ++i) {
            if (table.at(i).code == c.language)
                v.languageIndex = i;
        }
        for (int i = 0; i < table.size() && v.languageIndex < 0; ++i) {
            if (table.at(i).code.compare(c.language, Qt::CaseInsensitive) == 0)
                v.languageIndex = i;
        }
    }
    m_view->showChannelFields(v);
}

void Session::refreshCommandState()
{
    if (!m_view)
        return;
    CommandState state;
    state.hasPodcast = projects().count() > 0;
    state.hasEpisodes = !m_doc.episodes.isEmpty();
    state.busy = busy();
    m_view->applyCommandState(state);
}

void Session::refillEpisodeList(int selectRow)
{
    QList<EpisodeRow> rows;
    rows.reserve(m_doc.episodes.size());
    for (const Episode& e : m_doc.episodes)
        rows.append(EpisodeRow{e.title, e.pubDate});
    if (rows.isEmpty()) {
        m_doc.currentEpisode = 0;
        selectRow = 0;
    }
    m_view->refillEpisodes(rows, selectRow);
}
