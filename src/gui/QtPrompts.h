#pragma once

#include "common/Prompts.h"

#include <QPointer>
#include <functional>
#include <QWidget>


// Prompts answered with real dialogs owned by the main window.
class QtPrompts : public Prompts {
public:
    using Prompts::message;

    void setOwner(QWidget* owner) { m_owner = owner; }
    // Where status texts go (the first panel of the main window's status bar).
    void setStatusSink(std::function<void(const QString&)> sink) { m_statusSink = std::move(sink); }
    // After a termination signal nothing may block: questions take their default answers.
    void setUnattended(bool unattended) { m_unattended = unattended; }
    bool unattended() const { return m_unattended; }

    MessageAnswer message(const MessageRequest& request) override;
    FileDialogResult openFile(const QString& title, const QList<FileFilter>& filters,
                              const QString& initialPath) override;
    FileDialogResult saveFile(const QString& title, const QList<FileFilter>& filters,
                              const QString& initialPath) override;
    QString chooseFolder(const QString& title, const QString& initialFolder) override;
    void setStatusText(const QString& text) override;
    void processEvents() override;
    void openUrl(const QString& url) override;

private:
    QPointer<QWidget> m_owner;
    std::function<void(const QString&)> m_statusSink;
    bool m_unattended = false;
};
