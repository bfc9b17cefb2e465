#include "net/CFtpClient.h"

#include "net/FtpListingParser.h"
#include "net/FtpReplyParser.h"
#include "net/MSocketSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

const QString kSource = QStringLiteral("VedAdirerO.CFtpClient");
const QString kControlErrorSource = QStringLiteral("CFtpClient.m_objControlSocket_OnError");
const QString kControlCloseSource = QStringLiteral("CFtpClient.m_objControlSocket_OnClose");
const QString kDataErrorSource = QStringLiteral("CFtpClient.m_objDataSocket_OnError");
const QString kDataCloseSource = QStringLiteral("CFtpClient.m_objDataSocket_OnClose");
const QString kLocalFileSource = QStringLiteral("CFtpClient.LocalFile");

// Used as the password of an anonymous login.
const QString kAnonymousPassword = QStringLiteral("anonymous@example.com");

// Error number of a local file that cannot be opened, read or written.
constexpr int kFileAccessError = 75;
constexpr int kActivePortFirst = 20000;
constexpr int kActivePortAttempts = 100;

int s_lastActivePort = 0;

QString replyDescription(int code)
{
    switch (code) {
    case 120: return QStringLiteral("Service ready in nnn minutes.");
    case 332: return QStringLiteral("Need account for login.");
    case 350: return QStringLiteral("Requested file action pending further information.");
    case 421: return QStringLiteral("Service not available, closing control connection.");
    case 425: return QStringLiteral("Can 't open data connection.");
    case 426: return QStringLiteral("Connection closed; transfer aborted.");
    case 450: return QStringLiteral("Requested file action not taken.");
    case 451: return QStringLiteral("Requested action aborted: local error in processing.");
    case 452: return QStringLiteral("Requested action not taken.");
    case 500: return QStringLiteral("Syntax error, command unrecognized.");
    case 501: return QStringLiteral("Syntax error in parameters or arguments.");
    case 502: return QStringLiteral("Command not implemented.");
    case 503: return QStringLiteral("Bad sequence of commands.");
    case 504: return QStringLiteral("Command not implemented for that parameter.");
    case 530: return QStringLiteral("Not logged in.");
    case 532: return QStringLiteral("Need account for storing files.");
    case 550:
    case 553: return QStringLiteral("Requested action not taken.");
    case 551: return QStringLiteral("Requested action aborted: page type unknown.");
    case 552: return QStringLiteral("Requested file action aborted.");
    default: return {};
    }
}

const char* verbText(int index)
{
    static const char* const verbs[] = {"", "USER", "PASS", "PWD", "CWD", "MKD", "RMD", "DELE", "RNFR",
                                        "RNTO", "TYPE", "PASV", "PORT", "REST", "RETR", "STOR", "LIST", "QUIT"};
    return verbs[index];
}

bool isPreliminary(int code)
{
    return code == 110 || code == 125 || code == 150;
}

bool isTransferDone(int code)
{
    return code == 226 || code == 250;
}

} // namespace

CFtpClient::CFtpClient(QObject* parent) : QObject(parent)
{
    m_watchdog.setTimeOutValue(60);
    connect(&m_watchdog, &CTimeout::TimeOut, this, &CFtpClient::watchdogTick, Qt::DirectConnection);

    connect(&m_control, &CSocket::OnConnect, this, &CFtpClient::controlConnected, Qt::DirectConnection);
    connect(&m_control, &CSocket::OnDataArrival, this, &CFtpClient::controlDataArrival, Qt::DirectConnection);
    connect(&m_control, &CSocket::OnClose, this, &CFtpClient::controlClosed, Qt::DirectConnection);
    connect(&m_control, &CSocket::OnError, this,
            [this](int number, const QString& description) { controlError(number, description); },
            Qt::DirectConnection);

    connect(&m_data, &CSocket::OnConnect, this, &CFtpClient::dataConnected, Qt::DirectConnection);
    connect(&m_data, &CSocket::OnConnectionRequest, this, &CFtpClient::dataConnectionRequest, Qt::DirectConnection);
    connect(&m_data, &CSocket::OnDataArrival, this, &CFtpClient::dataArrival, Qt::DirectConnection);
    connect(&m_data, &CSocket::OnSendComplete, this, &CFtpClient::dataSendComplete, Qt::DirectConnection);
    connect(&m_data, &CSocket::OnClose, this, &CFtpClient::dataClosed, Qt::DirectConnection);
    connect(&m_data, &CSocket::OnError, this,
            [this](int number, const QString& description, int, const QString& source) {
                dataError(number, description, source);
            },
            Qt::DirectConnection);
}

CFtpClient::~CFtpClient()
{
    m_watchdog.StopTimer();
    m_control.disconnect(this);
    m_data.disconnect(this);
    closeLocalFile(false);
}

// ---- properties ----------------------------------------------------------------------------

void CFtpClient::setRemotePort(int port)
{
    if (port >= 1 && port <= 65535)
        m_remotePort = port;
}

void CFtpClient::setSendBufferLenght(int length)
{
    if (length >= 512 && length <= 8192)
        m_sendBufferLength = length;
}

QString CFtpClient::FtpServerMessage()
{
    return std::exchange(m_serverMessage, QString());
}

bool CFtpClient::DataTransferInProgress() const
{
    return m_operation == opDownloadFile || m_operation == opUploadFile || m_operation == opEnumFiles;
}

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

// ---- session machinery ---------------------------------------------------------------------

// The only place where the session state changes.
void CFtpClient::setSessionState(int state)
{
    m_state = state;
    emit OnStateChange(state);
}

bool CFtpClient::beginOperation(int operation)
{
    if (m_operation != opNone)
        return false;
    m_lastError.clear();
    m_operation = operation;
    m_watchdog.StartTimer();
    return true;
}

void CFtpClient::endOperation()
{
    m_watchdog.StopTimer();
    m_operation = opNone;
    setSessionState(stReady);
}

void CFtpClient::raiseCompletion(int operation, int result)
{
    switch (operation) {
    case opConnect: emit OnConnect(result); break;
    case opGetCurrentDirectory: emit OnGetCurrentDirectory(result); break;
    case opSetCurrentDirectory: emit OnSetCurrentDirectory(result); break;
    case opCreateDirectory: emit OnCreateDirectory(result); break;
    case opRemoveDirectory: emit OnRemoveDirectory(result); break;
    case opRenameFile: emit OnRenameFile(result); break;
    case opDeleteFile: emit OnDeleteFile(result); break;
    case opDownloadFile: emit OnDownloadFile(result); break;
    case opUploadFile: emit OnUploadFile(result); break;
    case opEnumFiles: emit OnEnumFiles(result); break;
    case opQuitSession: emit OnQuitSession(result); break;
    default: return;
    }
    emit OperationCompleted(operation, result);
}

// Ends the current operation and reports it failed. A failed transfer leaves no data
// connection or half-written file behind; a failed login leaves no half-open session.
void CFtpClient::fail(int number, const QString& description, const QString& source)
{
    const int operation = m_operation;
    if (operation == opNone)
        return;
    if (DataTransferInProgress()) {
        abortDataConnection();
        closeLocalFile(false);
        m_listingBuffer.clear();
    }
    endOperation();
    m_lastError.set(number, description, source);
    if (operation == opConnect)
        closeControl();
    raiseCompletion(operation, ftpFailed);
}

void CFtpClient::failReply(int code)
{
    fail(16000 + code, replyDescription(code), kSource);
}

void CFtpClient::closeControl()
{
    if (m_operation != opNone)
        endOperation();
    switch (m_control.State()) {
    case CSocket::sckClosed:
    case CSocket::sckClosing: break; // the server's close completes it and reports state 1
    case CSocket::sckConnected: m_control.CloseSocket(); break;
    default:
        m_control.Abort();
        setSessionState(stNotConnected);
        break;
    }
}

int CFtpClient::stateForVerb(Verb verb) const
{
    switch (verb) {
    case Verb::User:
    case Verb::Pass: return stLoggingIn;
    case Verb::Cwd: return stChangingDirectory;
    case Verb::Dele: return stDeleting;
    case Verb::Rmd: return stRemovingDirectory;
    case Verb::Mkd: return stCreatingDirectory;
    case Verb::Rnfr: return stRenaming;
    case Verb::List:
    case Verb::Pwd: return stReadingDirectory;
    case Verb::Retr: return stDownloading;
    case Verb::Stor: return stUploading;
    case Verb::Quit: return stQuitting;
    case Verb::Type:
    case Verb::Pasv:
    case Verb::Port:
    case Verb::Rest:
        if (m_operation == opEnumFiles)
            return stReadingDirectory;
        if (m_operation == opDownloadFile)
            return stDownloading;
        if (m_operation == opUploadFile)
            return stUploading;
        return stReady;
    default: return stReady;
    }
}

void CFtpClient::sendCommand(Verb verb, const QString& argument)
{
    if (m_control.State() != CSocket::sckConnected)
        return; // the watchdog reports the silence
    setSessionState(stateForVerb(verb));
    QString line = QLatin1String(verbText(static_cast<int>(verb)));
    if (!argument.isEmpty())
        line += QLatin1Char(' ') + argument;
    m_lastVerb = verb;
    m_control.SendData(QVariant(line.toUtf8() + "\r\n"));
    emit SessionProtocolMessage(line, 0);
}

// ---- operations ----------------------------------------------------------------------------

bool CFtpClient::Connect()
{
    if (m_server.isEmpty())
        return false;
    if (m_operation != opNone)
        CancelAsyncMethod();
    if (m_userName.isEmpty()) {
        m_userName = QStringLiteral("anonymous");
        if (m_password.isEmpty())
            m_password = kAnonymousPassword;
    }
    ++m_session;
    m_control.Abort();
    m_data.Abort();
    setSessionState(stConnecting);
    m_lastVerb = Verb::None;
    m_replyBuffer.clear();
    beginOperation(opConnect);
    m_control.Connect(m_server, m_remotePort);
    return true;
}

bool CFtpClient::GetCurrentDirectory()
{
    if (!beginOperation(opGetCurrentDirectory))
        return false;
    sendCommand(Verb::Pwd);
    return true;
}

bool CFtpClient::SetCurrentDirectory(const QString& path)
{
    if (path.isEmpty() || !beginOperation(opSetCurrentDirectory))
        return false;
    sendCommand(Verb::Cwd, path);
    return true;
}

bool CFtpClient::CreateDirectory(const QString& name)
{
    if (name.isEmpty() || !beginOperation(opCreateDirectory))
        return false;
    sendCommand(Verb::Mkd, name);
    return true;
}

bool CFtpClient::RemoveDirectory(const QString& name)
{
    if (name.isEmpty() || !beginOperation(opRemoveDirectory))
        return false;
    sendCommand(Verb::Rmd, name);
    return true;
}

bool CFtpClient::RenameFile(const QString& oldName, const QString& newName)
{
    if (oldName.isEmpty() || newName.isEmpty() || !beginOperation(opRenameFile))
        return false;
    m_newName = newName;
    sendCommand(Verb::Rnfr, oldName);
    return true;
}

bool CFtpClient::DeleteFile(const QString& name)
{
    if (name.isEmpty() || !beginOperation(opDeleteFile))
        return false;
    sendCommand(Verb::Dele, name);
    return true;
}

bool CFtpClient::QuitSession()
{
    if (!beginOperation(opQuitSession))
        return false;
    sendCommand(Verb::Quit);
    return true;
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

void CFtpClient::CancelAsyncMethod()
{
    const int operation = m_operation;
    if (operation == opNone)
        return;
    if (DataTransferInProgress()) {
        abortDataConnection();
        closeLocalFile(false);
        m_listingBuffer.clear();
    }
    endOperation();
    // A half-done login would leave the next operation talking to a session in an unknown state.
    if (operation == opConnect)
        closeControl();
    if (operation != opQuitSession)
        raiseCompletion(operation, ftpCancelled);
}

// ---- control connection --------------------------------------------------------------------

void CFtpClient::controlConnected()
{
    m_watchdog.Reset();
    setSessionState(stConnected);
}

void CFtpClient::controlDataArrival()
{
    if (m_operation != opNone)
        m_watchdog.Reset();
    QVariant received;
    if (!m_control.GetData(received, CSocket::DataType::ByteArray))
        return;
    const QByteArray bytes = received.toByteArray();
    m_lastServerResponse = FtpReplyParser::decode(bytes);
    m_replyBuffer += bytes;
    const quint64 session = m_session;
    QPointer<CFtpClient> self(this);
    // Several replies may come in one read (a 150 and its 226); each is handled in turn. An
    // incomplete one waits in the buffer for the next read.
    while (self && session == m_session) {
        const FtpReply reply = FtpReplyParser::take(m_replyBuffer);
        if (reply.code == 0)
            break;
        QByteArray shown = reply.block;
        if (shown.endsWith("\r\n"))
            shown.chop(2);
        else if (shown.endsWith('\n'))
            shown.chop(1);
        if (!reply.multiLineText.isEmpty())
            m_serverMessage = reply.multiLineText;
        emit SessionProtocolMessage(FtpReplyParser::decode(shown), reply.code < 400 ? 1 : 2);
        if (!self || session != m_session)
            break;
        handleReply(reply.code, reply.block);
    }
}

void CFtpClient::controlClosed()
{
    const int operation = m_operation;
    m_replyBuffer.clear();
    if (operation != opNone) {
        if (DataTransferInProgress()) {
            abortDataConnection();
            closeLocalFile(false);
            m_listingBuffer.clear();
        }
        endOperation();
        m_lastError.set(MSocketSupport::kConnectionReset,
                        MSocketSupport::GetErrorDescription(MSocketSupport::kConnectionReset),
                        kControlCloseSource);
    }
    setSessionState(stNotConnected);
    // A caller waiting for the operation learns that it cannot finish; QUIT got what it asked for.
    if (operation != opNone)
        raiseCompletion(operation, operation == opQuitSession ? ftpDone : ftpFailed);
}

void CFtpClient::controlError(int number, const QString& description)
{
    const int operation = m_operation;
    if (DataTransferInProgress()) {
        abortDataConnection();
        closeLocalFile(false);
        m_listingBuffer.clear();
    }
    closeControl();
    m_replyBuffer.clear();
    setSessionState(stNotConnected);
    if (operation == opNone)
        return;
    m_lastError.set(number, description, kControlErrorSource);
    raiseCompletion(operation, ftpFailed);
}

void CFtpClient::watchdogTick()
{
    if (m_operation != opNone)
        raiseCompletion(m_operation, ftpTimeOut);
}

// ---- replies -------------------------------------------------------------------------------

void CFtpClient::handleReply(int code, const QByteArray& block)
{
    if (m_operation == opNone) {
        if (code == 421)
            closeControl();
        return;
    }
    if (code == 421) {
        // The server is going away: the operation fails and the session with it.
        const quint64 session = m_session;
        failReply(code);
        if (session == m_session)
            closeControl();
        return;
    }
    switch (m_lastVerb) {
    case Verb::None: onGreeting(code); break;
    case Verb::User: onUserReply(code); break;
    case Verb::Pass: onPassReply(code); break;
    case Verb::Pwd: onPwdReply(code, block); break;
    case Verb::Cwd:
    case Verb::Mkd:
    case Verb::Rmd:
    case Verb::Dele: onSimpleCommandReply(code); break;
    case Verb::Rnfr: onRnfrReply(code); break;
    case Verb::Rnto: onRntoReply(code); break;
    case Verb::Quit: onQuitReply(code); break;
    case Verb::Type: onTypeReply(code); break;
    case Verb::Pasv: onPasvReply(code, block); break;
    case Verb::Port: onPortReply(code); break;
    case Verb::Rest: onRestReply(code); break;
    case Verb::Retr: onRetrReply(code); break;
    case Verb::Stor: onStorReply(code); break;
    case Verb::List: onListReply(code); break;
    }
}

void CFtpClient::onGreeting(int code)
{
    if (m_operation == opConnect && code == 220)
        sendCommand(Verb::User, m_userName);
    else
        failReply(code);
}

void CFtpClient::onUserReply(int code)
{
    if (m_operation != opConnect)
        failReply(code);
    else if (code == 230)
        loggedIn();
    else if (code == 331)
        sendCommand(Verb::Pass, m_password);
    else
        failReply(code);
}

void CFtpClient::onPassReply(int code)
{
    if (m_operation == opConnect && (code == 230 || code == 202))
        loggedIn();
    else
        failReply(code);
}

void CFtpClient::loggedIn()
{
    setSessionState(stLoggedIn);
    sendCommand(Verb::Pwd);
}

void CFtpClient::onPwdReply(int code, const QByteArray& block)
{
    if (code != 257 || (m_operation != opConnect && m_operation != opGetCurrentDirectory)) {
        failReply(code);
        return;
    }
    const int operation = m_operation;
    if (takeDirectory(block)) {
        endOperation();
        raiseCompletion(operation, ftpDone);
        return;
    }
    fail(16001, QStringLiteral("Cannot retrieve the current directory path. Unexpected server response."), kSource);
}

// The directory is the text between the first two double quotes, with back-slashes as slashes.
bool CFtpClient::takeDirectory(const QByteArray& block)
{
    m_currentDirectory.clear();
    const QString text = FtpReplyParser::decode(block);
    const qsizetype first = text.indexOf(QLatin1Char('"'));
    const qsizetype second = first < 0 ? -1 : text.indexOf(QLatin1Char('"'), first + 1);
    if (text.size() < 7 || second < 0)
        return false;
    m_currentDirectory = text.mid(first + 1, second - first - 1).replace(QLatin1Char('\\'), QLatin1Char('/'));
    return true;
}

void CFtpClient::onSimpleCommandReply(int code)
{
    const int expected = m_lastVerb == Verb::Mkd ? 257 : 250;
    const bool matches = (m_lastVerb == Verb::Cwd && m_operation == opSetCurrentDirectory)
        || (m_lastVerb == Verb::Mkd && m_operation == opCreateDirectory)
        || (m_lastVerb == Verb::Rmd && m_operation == opRemoveDirectory)
        || (m_lastVerb == Verb::Dele && m_operation == opDeleteFile);
    if (!matches || code != expected) {
        failReply(code);
        return;
    }
    const int operation = m_operation;
    endOperation();
    raiseCompletion(operation, ftpDone);
}

void CFtpClient::onRnfrReply(int code)
{
    if (m_operation == opRenameFile && code == 350)
        sendCommand(Verb::Rnto, m_newName);
    else
        failReply(code);
}

void CFtpClient::onRntoReply(int code)
{
    if (m_operation != opRenameFile || code != 250) {
        failReply(code);
        return;
    }
    endOperation();
    raiseCompletion(opRenameFile, ftpDone);
}

void CFtpClient::onQuitReply(int code)
{
    if (m_operation != opQuitSession || code != 221) {
        failReply(code);
        return;
    }
    endOperation();
    m_control.CloseSocket();
    raiseCompletion(opQuitSession, ftpDone);
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
        fail(16000 + code, QStringLiteral("Unexpected server response."), kSource);
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
    if (m_passive && DataTransferInProgress())
        startTransferCommand();
}

void CFtpClient::dataConnectionRequest(qintptr requestID)
{
    if (!DataTransferInProgress())
        return; // nobody waits for it: the connection is refused by being left unaccepted
    m_data.Abort();
    m_data.Accept(requestID);
    startUploadStream();
}

// The file's bytes flow once STOR was sent and the data connection is up, whichever of the
// two comes last: some servers connect on PORT, before the STOR that the data belongs to.
void CFtpClient::startUploadStream()
{
    if (m_operation != opUploadFile || m_uploadStarted || m_lastVerb != Verb::Stor || !m_file
        || m_data.State() != CSocket::sckConnected)
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
        }
        m_file.reset();
    }
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
