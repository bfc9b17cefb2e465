#pragma once

#include "common/Prompts.h"

#include <QPointer>
#include <QStatusBar>
#include <QWidget>


// Prompts answered with real dialogs owned by the main window.
class QtPrompts : public Prompts {
public:
    using Prompts::message;

    void setOwner(QWidget* owner) { m_owner = owner; }
    void setStatusBar(QStatusBar* bar) { m_statusBar = bar; }
    // After a termination signal nothing may block: questions take their default answers.
    void setUnattended(bool unattended) { m_unattended = unattended; }

    MessageAnswer message(const MessageRequest& request) override;
    FileDialogResult openFile(const QString& title, const QList<FileFilter>& filters,
                              const QString& initialPath) override;
    FileDialogResult saveFile(const QString& title, const QList<FileFilter>& filters,
                              const QString& initialPath) override;
    void setStatusText(const QString& text) override;
    void processEvents() override;
    void openUrl(const QString& url) override;

private:
    QPointer<QWidget> m_owner;
    QPointer<QStatusBar> m_statusBar;
    bool m_unattended = false;
};
