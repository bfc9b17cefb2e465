#include "support/FakePrompts.h"

#include <QCoreApplication>

MessageAnswer FakePrompts::message(const MessageRequest& request)
{
    messages.append(request);
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    if (request.buttons != MessageButtons::Ok)
        unexpected.append(request.text);
    switch (request.buttons) {
    case MessageButtons::Ok: return MessageAnswer::Ok;
    case MessageButtons::YesNo: return MessageAnswer::No;
    default: return MessageAnswer::Cancel;
    }
}

FileDialogResult FakePrompts::openFile(const QString& title, const QList<FileFilter>& filters,
                                       const QString& initialPath)
{
    fileDialogs.append({false, title, filters, initialPath});
    return m_files.isEmpty() ? FileDialogResult{} : m_files.dequeue();
}

QString FakePrompts::chooseFolder(const QString& title, const QString& initialFolder)
{
    fileDialogs.append({false, title, {}, initialFolder});
    return m_files.isEmpty() ? QString() : m_files.dequeue().path;
}

FileDialogResult FakePrompts::saveFile(const QString& title, const QList<FileFilter>& filters,
                                       const QString& initialPath)
{
    fileDialogs.append({true, title, filters, initialPath});
    return m_files.isEmpty() ? FileDialogResult{} : m_files.dequeue();
}

void FakePrompts::setStatusText(const QString& text)
{
    statusTexts.append(text);
    processEvents();
}

void FakePrompts::processEvents()
{
    ++processEventsCalls;
    if (onProcessEvents)
        onProcessEvents();
    if (runRealEvents && QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void FakePrompts::openUrl(const QString& url)
{
    openedUrls.append(url);
}

QStringList FakePrompts::messageTexts() const
{
    QStringList texts;
    for (const MessageRequest& m : messages)
        texts << m.text;
    return texts;
}
