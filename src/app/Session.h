#pragma once

#include "app/MainView.h"
#include "feed/FeedDocument.h"
#include "store/ProjectList.h"

#include <QDateTime>
#include <QHash>
#include <QString>

#include <functional>
#include <optional>

class AppShell;
class ChannelImageSeam;
class LanguageTable;
class Prompts;
struct Settings;

// The open podcast and the list it belongs to: creating, opening, switching, saving, removing,
// the window title, the channel fields and the episode commands. It talks to the window only
// through MainView and to the user only through Prompts, so all of it runs headless.
class Session {
public:
    // Program-wide flags of the document lifecycle; all false outside the operations that set
    // them.
    struct Flags {
        bool quietSave = false;              // no "Save successfull." message
        bool saveWithoutPrompt = false;      // no question before saving an untitled podcast
        bool saveAsRequested = false;        // ask for a file name even for a titled podcast
        bool keepUntitledEntry = false;      // a cancelled dialog keeps the untitled entry
        bool skipSaveOnSwitch = false;       // the selection handler saves nothing
        bool ignoreProjectSelection = false; // the selection handler only refreshes the title
        bool loadingPodcast = false;         // a podcast is being opened
    };

    Session(AppShell& shell, ChannelImageSeam& image);
    ~Session();

    void setView(MainView* view);
    MainView* view() const { return m_view; }

    AppShell& shell() { return m_shell; }
    FeedDocument& document() { return m_doc; }
    const FeedDocument& document() const { return m_doc; }
    ProjectList& projects();
    Settings& settings();
    Prompts& prompts();
    const LanguageTable& languages() const;
    ChannelImageSeam& image() { return m_image; }
    Flags& flags() { return m_flags; }
    // The current project entry, or nullptr when the list is empty.
    ProjectEntry* currentEntry();

    // Start-up: fills the language list and the search history, then selects the saved last
    // podcast, which opens it without saving anything.
    void startUp();
    // Opens the file named by the command line as Open does; blanks alone are no command line,
    // a path that does not exist is ignored.
    void openCommandLine(const QString& text);
    // The exit's save flow (with "AutoSave" on). False when the user chose to stay after a
    // failed save. With `unattended` nothing is asked: an untitled podcast stays unsaved.
    bool saveAtExit(bool unattended);

    // Commands.
    void newPodcast();
    // Saves the open podcast quietly and makes a new, empty, untitled podcast current, without
    // the template: the start of a feed download. False, with nothing changed, while busy or
    // when the open podcast could not be written.
    bool startUntitledPodcast();
    void open();
    bool openPath(const QString& path);
    void save();
    void saveAs();
    void remove();
    // The project selector's selection changed.
    void projectSelectionChanged();
    void titleEdited(const QString& text);
    void encodingChosen(int index);

    // Routines shared with the other windows.
    bool saveFlow(); // false when writing the feed failed (the user has been told)
    void loadProject(int index);
    void removeProject(int index);
    void addFeedToList(const QString& path);
    void refreshProjectList(int index);
    QString getFeedTitle(const QString& path);
    void updateWindowTitle();
    void storeWindowFields();
    void showChannelFields();
    // Changes the channel behind the main window (picture editor, publishing): what is typed there
    // is taken first and the window shows the result, so the next save keeps both.
    void changeChannel(const std::function<void(Channel&)>& change);
    void refreshCommandState();
    void refillEpisodeList(int selectRow);
    // After a feed was imported into a new untitled podcast: stores its encoding in the current
    // entry and shows the podcast (image, episodes from row 1, channel fields).
    void showImportedPodcast(int encodingIndex);
    // Shows the channel image of imageFile, or clears it.
    void showChannelImage();

    // Episode commands (rows count from 1).
    void newEpisode();
    void cloneEpisode();
    void copyEpisode();
    void cutEpisode();
    void pasteEpisode();
    void removeEpisode();
    void moveEpisodeUp();
    void moveEpisodeDown();
    void search();

    // Placeholders of the main window: hidden without a podcast; "Click to add image" while
    // imageFile is empty.
    bool noPodcast() const;
    bool hasChannelImage() const { return !m_doc.channel.imageFile.isEmpty(); }

    // A feed is being read or downloaded: commands that change, switch or save the podcast
    // wait, and so does closing the window.
    bool busy() const { return m_busyDepth > 0; }
    void setBusy(bool busy);

    // Opens the episode editor on a position (the desktop program sets this).
    std::function<void(int position)> openEpisodeEditor;

    // Save dialog's extension rule: ".rss" for filter 0 unless the upper-cased name holds
    // ".RSS", ".xml" for filter 1 unless it holds ".XML", the name as typed for filter 2.
    static QString applySaveExtension(const QString& name, int filterIndex);

    // The file the document was read from or last written to (empty for a new document).
    const QString& documentSource() const { return m_docSource; }

private:
    QString askSavePath();
    bool importAsNewPodcast(const QByteArray& bytes);
    void runSaveCommand(bool saveAs);
    void reportFailedLoad(const QString& path);
    bool writeDocument(const QString& path);
    bool mayWriteQuietly(const QString& path) const;
    void finishSaveFlow(bool wrote);
    bool readIntoDocument(const QString& text);
    void ensureEnclosureSlots();

    AppShell& m_shell;
    ChannelImageSeam& m_image;
    MainView* m_view = nullptr;
    FeedDocument m_doc;
    Flags m_flags;
    QString m_docSource;
    std::optional<Episode> m_clipboard;
    std::optional<EnclosureState> m_clipboardState;
    int m_previousMatch = 0; // search: row of the previous match, 0 none
    int m_busyDepth = 0;
    struct TitleCacheEntry {
        QDateTime modified;
        qint64 size = -1;
        QString title;
    };
    QHash<QString, TitleCacheEntry> m_titles;
};
