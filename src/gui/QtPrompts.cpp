#include "gui/QtPrompts.h"

#include "common/ProductInfo.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace {

QString filterString(const QList<FileFilter>& filters)
{
    QStringList parts;
    for (const FileFilter& f : filters) {
        QString patterns = f.patterns;
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        parts << QStringLiteral("%1 (%2)").arg(f.label, patterns);
    }
    return parts.join(QStringLiteral(";;"));
}

FileDialogResult runFileDialog(QWidget* owner, QFileDialog::AcceptMode mode, const QString& title,
                               const QList<FileFilter>& filters, const QString& initialPath)
{
    QFileDialog dialog(owner, title, initialPath, filterString(filters));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    // The caller applies the program's own extension rule to the typed name.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    const QStringList nameFilters = dialog.nameFilters();
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    FileDialogResult result;
    result.path = dialog.selectedFiles().constFirst();
    result.filterIndex = std::max(0, static_cast<int>(nameFilters.indexOf(dialog.selectedNameFilter())));
    return result;
}

} // namespace

MessageAnswer QtPrompts::message(const MessageRequest& request)
{
    if (m_unattended) {
        if (request.buttons == MessageButtons::YesNo)
            return MessageAnswer::No;
        return request.buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    }
    QMessageBox box(m_owner);
    box.setWindowTitle(request.title.isEmpty() ? QString::fromLatin1(product::kName) : request.title);
    QString text = request.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setText(text);
    switch (request.icon) {
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (request.buttons) {
    case MessageButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MessageButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MessageButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    case QMessageBox::Ok: return MessageAnswer::Ok;
    default: return MessageAnswer::Cancel;
    }
}

FileDialogResult QtPrompts::openFile(const QString& title, const QList<FileFilter>& filters,
                                     const QString& initialPath)
{
    if (m_unattended)
        return {};
    return runFileDialog(m_owner, QFileDialog::AcceptOpen, title, filters, initialPath);
}

FileDialogResult QtPrompts::saveFile(const QString& title, const QList<FileFilter>& filters,
                                     const QString& initialPath)
{
    if (m_unattended)
        return {};
    return runFileDialog(m_owner, QFileDialog::AcceptSave, title, filters, initialPath);
}

QString QtPrompts::chooseFolder(const QString& title, const QString& initialFolder)
{
    if (m_unattended)
        return {};
    QWidget* parent = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : m_owner.data();
    return QFileDialog::getExistingDirectory(parent, title, initialFolder);
}

void QtPrompts::setStatusText(const QString& text)
{
    if (m_statusSink)
        m_statusSink(text);
    processEvents();
}

void QtPrompts::processEvents()
{
    QCoreApplication::processEvents();
}

void QtPrompts::openUrl(const QString& url)
{
    QDesktopServices::openUrl(QUrl(url));
}
