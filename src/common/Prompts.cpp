#include "common/Prompts.h"

#include <QCoreApplication>

Prompts::~Prompts() = default;

MessageAnswer Prompts::message(const QString& text, MessageIcon icon, MessageButtons buttons,
                               const QString& title)
{
    return message(MessageRequest{text, icon, buttons, title});
}

bool Prompts::askYesNo(const QString& text, MessageIcon icon, const QString& title)
{
    return message(text, icon, MessageButtons::YesNo, title) == MessageAnswer::Yes;
}

MessageAnswer UnattendedPrompts::message(const MessageRequest& request)
{
    messages.append(request);
    switch (request.buttons) {
    case MessageButtons::Ok:
        return MessageAnswer::Ok;
    case MessageButtons::OkCancel:
    case MessageButtons::YesNoCancel:
        return MessageAnswer::Cancel;
    case MessageButtons::YesNo:
        return MessageAnswer::No;
    }
    return MessageAnswer::Cancel;
}

FileDialogResult UnattendedPrompts::openFile(const QString&, const QList<FileFilter>&,
                                             const QString&)
{
    return {};
}

FileDialogResult UnattendedPrompts::saveFile(const QString&, const QList<FileFilter>&,
                                             const QString&)
{
    return {};
}

void UnattendedPrompts::setStatusText(const QString& text)
{
    lastStatus = text;
}

void UnattendedPrompts::processEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void UnattendedPrompts::openUrl(const QString&) {}

QString Prompts::chooseFolder(const QString&, const QString&)
{
    return {};
}
