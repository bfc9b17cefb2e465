#pragma once

#include "publish/ThemePreview.h"

#include <QMainWindow>
#include <QString>

#include <functional>

class ChannelImageSeam;
class FeedDocument;
class PreviewSchemeHandler;
class Prompts;
class QAction;
class QComboBox;
class QWebEngineProfile;
class QWebEngineView;
struct Settings;

// The feed preview window: a theme list, a browser toolbar and a web view showing the current
// podcast rendered from the chosen theme.
class PreviewWindow : public QMainWindow {
    Q_OBJECT
public:
    // themesFolder and pagePath as for ThemePreview; `settings` holds the remembered theme.
    PreviewWindow(QString themesFolder, QString pagePath, const FeedDocument& document,
                  ChannelImageSeam& image, Settings& settings, Prompts& prompts,
                  QWidget* parent = nullptr);
    ~PreviewWindow() override;

    // Loads the themes, writes the channel image so the page shows the current picture, fills
    // the list and shows the remembered theme. Runs again when the window is asked for while
    // open. False after the "Styles not found" message: the caller ends the program.
    bool open();

    // What choosing entry `index` in the list does: renders it from the document as it is
    // now and remembers it. The list goes back to the shown theme when rendering fails.
    void chooseTheme(int index);

    // Run before every rendering, so the page shows what is typed in the main window.
    std::function<void()> beforeRender;
    // The toolbar's help button.
    std::function<void()> onHelp;

    QComboBox* themeBox() const { return m_themeBox; }
    QWebEngineView* view() const { return m_view; }
    PreviewSchemeHandler* schemeHandler() const { return m_handler; }
    // The toolbar button of a command: "back", "forward", "stop", "refresh", "home", "help".
    QAction* action(const QString& name) const;

private:
    bool showTheme(int index);
    void writeChannelImage();
    void buildToolbar(QWidget* bar);

    const FeedDocument& m_document;
    ChannelImageSeam& m_image;
    Settings& m_settings;
    Prompts& m_prompts;
    ThemePreview m_preview;
    QWebEngineProfile* m_profile = nullptr;
    PreviewSchemeHandler* m_handler = nullptr;
    QWebEngineView* m_view = nullptr;
    QComboBox* m_themeBox = nullptr;
};
