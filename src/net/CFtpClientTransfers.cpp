// The data side of CFtpClient: downloads, uploads and listings over a passive or active data
// connection, the local file, and the block-wise upload.
#include "net/CFtpClient.h"

#include "net/FtpListingParser.h"
#include "net/FtpReplyParser.h"
#include "net/MSocketSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

const QString kDataErrorSource = QStringLiteral("CFtpClient.m_objDataSocket_OnError");
const QString kDataCloseSource = QStringLiteral("CFtpClient.m_objDataSocket_OnClose");
const QString kLocalFileSource = QStringLiteral("CFtpClient.LocalFile");

// Error number of a local file that cannot be opened, read or written.
constexpr int kFileAccessError = 75;
constexpr int kActivePortFirst = 20000;
constexpr int kActivePortAttempts = 100;

int s_lastActivePort = 0;

bool isPreliminary(int code)
{
    return code == 110 || code == 125 || code == 150;
}

bool isTransferDone(int code)
{
    return code == 226 || code == 250;
}

} // namespace

int CFtpClient::nextActivePort()
{
    if (s_lastActivePort == 0)
        s_lastActivePort = kActivePortFirst + QRandomGenerator::global()->bounded(20002);
    else
        ++s_lastActivePort;
    if (s_lastActivePort > 65535)
        s_lastActivePort = kActivePortFirst;
    return s_lastActivePort;
}

void CFtpClient::setLastActivePort(int port)
{
    s_lastActivePort = port;
}

bool CFtpClient::DownloadFile(const QString& remoteFile, const QString& localFile, bool overwrite)
{
    if (remoteFile.isEmpty() || localFile.isEmpty() || !beginOperation(opDownloadFile))
        return false;
    m_remoteFile = remoteFile;
    m_localFile = localFile;
    m_overwrite = overwrite;
    m_bytesTransferred = 0;
    m_restSent = m_dataClosed = m_finalReplyOk = false;
    sendCommand(Verb::Type, m_transferMode == 0 ? QStringLiteral("A") : QStringLiteral("I"));
    return true;
}

bool CFtpClient::UploadFile(const QString& localFile, const QString& remoteFile, qint64 startOffset)
{
    if (remoteFile.isEmpty() || localFile.isEmpty() || !beginOperation(opUploadFile))
        return false;
    // The previous upload's data connection may still be closing (its 226 came first); its
    // late close must not be taken for the end of this transfer.
    abortDataConnection();
    m_localFile = localFile;
    m_remoteFile = remoteFile;
    m_startOffset = std::max<qint64>(0, startOffset);
    m_blockLength = m_sendBufferLength;
    m_restSent = m_uploadHandedOver = m_uploadStarted = m_dataClosed = m_finalReplyOk = false;
    sendCommand(Verb::Type, m_transferMode == 0 ? QStringLiteral("A") : QStringLiteral("I"));
    return true;
}

bool CFtpClient::EnumFiles()
{
    if (!beginOperation(opEnumFiles))
        return false;
    m_listingBuffer.clear();
    m_dataClosed = m_finalReplyOk = false;
    sendCommand(Verb::Type, QStringLiteral("A"));
    return true;
}

void CFtpClient::onTypeReply(int code)
{
    if (!DataTransferInProgress() || code != 200) {
        failReply(code);
        return;
    }
    if (m_passive)
        sendCommand(Verb::Pasv);
    else
        openActiveDataConnection();
}

void CFtpClient::onPasvReply(int code, const QByteArray& block)
{
    if (!DataTransferInProgress() || code != 227) {
        failReply(code);
        return;
    }
    setSessionState(stOpeningDataConnection);
    static const QRegularExpression numbers(QStringLiteral("(\\d+),(\\d+),(\\d+),(\\d+),(\\d+),(\\d+)"));
    const QString text = QString::fromLatin1(block);
    const qsizetype open = text.indexOf(QLatin1Char('('));
    const QRegularExpressionMatch m = numbers.match(text, open < 0 ? 0 : open);
    int values[6] = {};
    bool valid = m.hasMatch();
    for (int i = 0; valid && i < 6; ++i) {
        values[i] = m.captured(i + 1).toInt(&valid);
        valid = valid && values[i] <= 255;
    }
    const int port = values[4] * 256 + values[5];
    if (!valid || port == 0) {
        failReply(code, QStringLiteral("Unexpected server response."));
        return;
    }
    // The data connection always goes to the server the session talks to, whatever address
    // the reply names: a reply may carry a private or foreign address.
    m_data.Abort();
    m_data.Connect(m_control.RemoteHostIP(), port);
}

void CFtpClient::openActiveDataConnection()
{
    setSessionState(stOpeningDataConnection);
    const QString localIP = m_control.LocalIP();
    int port = 0;
    bool listening = false;
    for (int attempt = 0; attempt < kActivePortAttempts && !listening; ++attempt) {
        port = nextActivePort();
        if (m_data.State() != CSocket::sckClosed)
            m_data.CloseSocket();
        m_data.Abort();
        m_data.setLocalPort(port);
        listening = m_data.Bind(port, localIP) && m_data.Listen();
    }
    if (!listening) {
        const MSocketSupport::LastError error = MSocketSupport::lastError();
        fail(error.number, error.description, error.source);
        return;
    }
    QString address = localIP;
    address.replace(QLatin1Char('.'), QLatin1Char(','));
    sendCommand(Verb::Port, QStringLiteral("%1,%2,%3").arg(address).arg(port / 256).arg(port % 256));
}

void CFtpClient::onPortReply(int code)
{
    if (!DataTransferInProgress() || code != 200) {
        failReply(code);
        return;
    }
    startTransferCommand();
}

// With the data connection on its way: prepare the local file, then REST or the transfer verb.
void CFtpClient::startTransferCommand()
{
    switch (m_operation) {
    case opDownloadFile:
        if (prepareDownloadFile() && !m_restSent)
            sendCommand(Verb::Retr, m_remoteFile);
        break;
    case opUploadFile:
        if (prepareUploadFile() && !m_restSent)
            sendCommand(Verb::Stor, m_remoteFile);
        break;
    case opEnumFiles: sendCommand(Verb::List); break;
    default: break;
    }
}

void CFtpClient::onRestReply(int code)
{
    if (code != 350) {
        failReply(code);
    } else if (m_operation == opDownloadFile) {
        sendCommand(Verb::Retr, m_remoteFile);
    } else if (m_operation == opUploadFile) {
        sendCommand(Verb::Stor, m_remoteFile);
    } else {
        failReply(code);
    }
}

void CFtpClient::onRetrReply(int code)
{
    if (m_operation != opDownloadFile) {
        failReply(code);
    } else if (isPreliminary(code)) {
        return;
    } else if (isTransferDone(code)) {
        m_finalReplyOk = true;
        finishTransferIfDone();
    } else {
        failReply(code);
    }
}

void CFtpClient::onStorReply(int code)
{
    if (m_operation != opUploadFile) {
        failReply(code);
    } else if (isPreliminary(code)) {
        startUploadStream();
    } else if (isTransferDone(code)) {
        closeLocalFile(true);
        endOperation();
        raiseCompletion(opUploadFile, ftpDone);
    } else {
        failReply(code);
    }
}

void CFtpClient::onListReply(int code)
{
    if (m_operation != opEnumFiles) {
        failReply(code);
    } else if (isPreliminary(code)) {
        return;
    } else if (isTransferDone(code)) {
        m_finalReplyOk = true;
        finishTransferIfDone();
    } else {
        failReply(code);
    }
}

// ---- data connection -----------------------------------------------------------------------

void CFtpClient::dataConnected()
{
    if (m_passive && DataTransferInProgress()) {
        // The server starts its side of TLS after the transfer command: both go out now.
        startDataTls();
        startTransferCommand();
    }
}

void CFtpClient::dataConnectionRequest(qintptr requestID)
{
    if (!DataTransferInProgress())
        return; // nobody waits for it: the connection is refused by being left unaccepted
    m_data.Abort();
    m_data.Accept(requestID);
    startDataTls();
    startUploadStream();
}

// The file's bytes flow once STOR was sent and the data connection is up, whichever of the
// two comes last: some servers connect on PORT, before the STOR that the data belongs to.
void CFtpClient::startUploadStream()
{
    if (m_operation != opUploadFile || m_uploadStarted || m_lastVerb != Verb::Stor || !m_file
        || m_data.State() != CSocket::sckConnected || (m_security != secNone && !m_data.IsEncrypted()))
        return;
    m_uploadStarted = true;
    m_uploadPosition = m_startOffset;
    sendNextBlock();
}

void CFtpClient::dataArrival()
{
    QVariant received;
    if (!m_data.GetData(received, CSocket::DataType::ByteArray))
        return;
    if (m_operation == opNone)
        return;
    m_watchdog.Reset();
    const QByteArray bytes = received.toByteArray();
    if (m_operation == opDownloadFile) {
        if (!m_file || m_file->write(bytes) != bytes.size()) {
            failLocalFile(m_localFile, m_file ? m_file->errorString() : QStringLiteral("not open"));
            return;
        }
        m_bytesTransferred += bytes.size();
        emit OnDataTransferProgress(m_bytesTransferred);
    } else if (m_operation == opEnumFiles) {
        m_listingBuffer += bytes;
        emit OnDataTransferProgress(m_listingBuffer.size());
    }
}

void CFtpClient::dataSendComplete()
{
    if (m_operation != opUploadFile)
        return;
    m_watchdog.Reset();
    emit OnDataTransferProgress(m_uploadPosition);
    sendNextBlock();
}

void CFtpClient::dataClosed()
{
    if (m_operation == opUploadFile) {
        // The server ended the stream before it had the whole file.
        if (!m_uploadHandedOver)
            fail(MSocketSupport::kConnectionReset,
                 MSocketSupport::GetErrorDescription(MSocketSupport::kConnectionReset), kDataCloseSource);
        return;
    }
    if (m_operation == opDownloadFile || m_operation == opEnumFiles) {
        m_dataClosed = true;
        finishTransferIfDone();
    }
}

void CFtpClient::dataError(int number, const QString& description, const QString& source)
{
    if (DataTransferInProgress())
        fail(number, description, source.isEmpty() ? kDataErrorSource : source);
}

// A download or listing is complete when the data stream has ended and the server confirmed
// the transfer: an early close followed by 426 is a failure, not a short success.
void CFtpClient::finishTransferIfDone()
{
    if (!m_dataClosed || !m_finalReplyOk)
        return;
    const int operation = m_operation;
    if (operation == opDownloadFile) {
        if (m_file && !m_file->flush()) {
            failLocalFile(m_localFile, m_file->errorString());
            return;
        }
        auto* saveFile = dynamic_cast<QSaveFile*>(m_file.get());
        if (saveFile && !saveFile->commit()) {
            const QString reason = saveFile->errorString();
            m_file.reset();
            failLocalFile(m_localFile, reason);
            return;
        }
        closeLocalFile(true);
        endOperation();
        raiseCompletion(operation, ftpDone);
        return;
    }
    const QString text = FtpReplyParser::decode(m_listingBuffer);
    m_listingBuffer.clear();
    const std::optional<FtpListingParser::Result> parsed = FtpListingParser::parse(text);
    m_listing = text;
    endOperation();
    if (!parsed) {
        m_files.clear();
        m_lastError.set(16002, QStringLiteral("Unknown listing format."), kDataCloseSource);
        raiseCompletion(operation, ftpFailed);
        return;
    }
    m_files = parsed->files;
    raiseCompletion(operation, ftpDone);
}

bool CFtpClient::prepareDownloadFile()
{
    const QFileInfo info(m_localFile);
    m_localFileCreated = !info.exists();
    qint64 resume = 0;
    if (info.exists() && !info.isDir()) {
        if (m_overwrite)
            m_file = std::make_unique<QSaveFile>(m_localFile);
        else
            resume = info.size();
    }
    if (!m_file)
        m_file = std::make_unique<QFile>(m_localFile);
    const QIODevice::OpenMode mode = dynamic_cast<QSaveFile*>(m_file.get())
        ? QIODevice::WriteOnly
        : QIODevice::ReadWrite | QIODevice::Append;
    if (!m_file->open(mode)) {
        failLocalFile(m_localFile, m_file->errorString());
        return false;
    }
    if (resume > 0) {
        m_bytesTransferred = resume;
        m_restSent = true;
        sendCommand(Verb::Rest, QString::number(resume));
    }
    return true;
}

bool CFtpClient::prepareUploadFile()
{
    m_uploadPosition = m_startOffset;
    auto file = std::make_unique<QFile>(m_localFile);
    if (!file->open(QIODevice::ReadOnly)) {
        failLocalFile(m_localFile, file->errorString());
        return false;
    }
    m_localLength = file->size();
    m_file = std::move(file);
    if (m_startOffset > 0) {
        m_restSent = true;
        sendCommand(Verb::Rest, QString::number(m_startOffset));
    }
    return true;
}

// Hands the next block of the local file to the data connection; after the last one the
// stream is closed, and the server's 226 completes the upload.
void CFtpClient::sendNextBlock()
{
    if (m_operation != opUploadFile || !m_file || m_uploadHandedOver)
        return;
    if (m_uploadPosition < m_localLength) {
        const qint64 length = std::min<qint64>(m_blockLength, m_localLength - m_uploadPosition);
        if (m_file->pos() != m_uploadPosition && !m_file->seek(m_uploadPosition)) {
            failLocalFile(m_localFile, m_file->errorString());
            return;
        }
        const QByteArray block = m_file->read(length);
        if (block.size() != length) {
            failLocalFile(m_localFile, m_file->errorString());
            return;
        }
        m_uploadPosition += length;
        m_data.SendData(QVariant(block));
        return;
    }
    m_uploadHandedOver = true;
    closeLocalFile(true);
    m_data.CloseSocket();
}

void CFtpClient::closeLocalFile(bool keep)
{
    if (m_file) {
        // A temporary download file that was not committed is discarded by its destructor.
        if (auto* saveFile = dynamic_cast<QSaveFile*>(m_file.get())) {
            if (!keep && saveFile->isOpen())
                saveFile->cancelWriting();
        } else {
            m_file->close();
            // A failed download that received nothing leaves no empty file behind; a partial
            // one stays, so that the next download resumes it.
            if (!keep && m_localFileCreated && m_file->size() == 0)
                QFile::remove(m_localFile);
        }
        m_file.reset();
    }
    m_localFileCreated = false;
    m_localLength = 0;
}

void CFtpClient::abortDataConnection()
{
    if (m_data.State() != CSocket::sckClosed)
        m_data.Abort();
}

void CFtpClient::failLocalFile(const QString& path, const QString& reason)
{
    fail(kFileAccessError, QStringLiteral("Path/File access error: %1: %2").arg(path, reason), kLocalFileSource);
}
