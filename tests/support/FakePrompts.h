#pragma once

#include "common/Prompts.h"

#include <QList>
#include <QQueue>
#include <QStringList>

#include <functional>

// Scripted prompts for headless tests: questions are answered from a queue in order (an
// unexpected question fails the test through `unexpected`), file dialogs from their own queue,
// and every text shown is recorded so tests can assert exact wording.
class FakePrompts : public Prompts {
public:
    using Prompts::message;

    struct FileDialogCall {
        bool save = false;
        QString title;
        QList<FileFilter> filters;
        QString initialPath;
    };

    // Answers for the next questions, in order.
    void queueAnswer(MessageAnswer answer) { m_answers.enqueue(answer); }
    void queueFile(const QString& path, int filterIndex = 0)
    {
        m_files.enqueue(FileDialogResult{path, filterIndex});
    }
    void queueCancelledFile() { m_files.enqueue(FileDialogResult{}); }

    MessageAnswer message(const MessageRequest& request) override;
    FileDialogResult openFile(const QString& title, const QList<FileFilter>& filters,
                              const QString& initialPath) override;
    FileDialogResult saveFile(const QString& title, const QList<FileFilter>& filters,
                              const QString& initialPath) override;
    // Folder choosers take their answers from the file queue too.
    QString chooseFolder(const QString& title, const QString& initialFolder) override;
    void setStatusText(const QString& text) override;
    void processEvents() override;
    void openUrl(const QString& url) override;

    // Recorded.
    QList<MessageRequest> messages;
    QList<FileDialogCall> fileDialogs;
    QStringList statusTexts;
    QStringList openedUrls;
    int processEventsCalls = 0;
    // Questions asked with no queued answer (the default answer was given).
    QStringList unexpected;
    // Optional hook run inside processEvents (to simulate a user acting during a wait).
    std::function<void()> onProcessEvents;
    // When true, processEvents really runs the Qt event loop once.
    bool runRealEvents = false;

    QStringList messageTexts() const;
    int pendingAnswers() const { return static_cast<int>(m_answers.size()); }

private:
    QQueue<MessageAnswer> m_answers;
    QQueue<FileDialogResult> m_files;
};
