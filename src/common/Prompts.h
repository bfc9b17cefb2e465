#pragma once

#include <QList>
#include <QString>

// Everything the program asks or tells the user goes through this interface, so that the
// behaviour below the windows can be driven headless: the desktop program answers with real
// dialogs, tests with a scripted fake that records every text.

enum class MessageIcon { None, Information, Exclamation, Critical, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct FileFilter {
    QString label;    // "Podcast feed  (.rss)"
    QString patterns; // "*.rss" or "*.rss;*.xml"
};

struct FileDialogResult {
    QString path;        // empty when the dialog was cancelled
    int filterIndex = 0; // 0-based index of the filter chosen in the dialog
    bool accepted() const { return !path.isEmpty(); }
};

struct MessageRequest {
    QString text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    QString title; // empty: the program's name
};

class Prompts {
public:
    virtual ~Prompts();

    virtual MessageAnswer message(const MessageRequest& request) = 0;
    virtual FileDialogResult openFile(const QString& title, const QList<FileFilter>& filters,
                                      const QString& initialPath = {}) = 0;
    virtual FileDialogResult saveFile(const QString& title, const QList<FileFilter>& filters,
                                      const QString& initialPath = {}) = 0;
    // The platform's folder chooser; the chosen folder, or empty when cancelled.
    virtual QString chooseFolder(const QString& title, const QString& initialFolder);
    // First panel of the main window's status bar; pending events run afterwards.
    virtual void setStatusText(const QString& text) = 0;
    // Lets pending window events run (timers, sockets, repaint) inside a long operation.
    virtual void processEvents() = 0;
    // The shell's "Open" verb: web pages, mailto: links, help pages.
    virtual void openUrl(const QString& url) = 0;

    // Shorthands.
    MessageAnswer message(const QString& text, MessageIcon icon = MessageIcon::None,
                          MessageButtons buttons = MessageButtons::Ok, const QString& title = {});
    bool askYesNo(const QString& text, MessageIcon icon = MessageIcon::Exclamation,
                  const QString& title = {});
};

// Answers every question with its default (No, Cancel), opens nothing and forwards texts to a
// sink; used where no user is present, such as the command-line program.
class UnattendedPrompts : public Prompts {
public:
    using Prompts::message;
    MessageAnswer message(const MessageRequest& request) override;
    FileDialogResult openFile(const QString&, const QList<FileFilter>&, const QString&) override;
    FileDialogResult saveFile(const QString&, const QList<FileFilter>&, const QString&) override;
    void setStatusText(const QString& text) override;
    void processEvents() override;
    void openUrl(const QString& url) override;

    QList<MessageRequest> messages; // every message shown, in order
    QString lastStatus;
};
