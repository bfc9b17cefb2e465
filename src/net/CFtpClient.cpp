#include "net/CFtpClient.h"

#include "net/FtpReplyParser.h"
#include "net/FtpServerField.h"
#include "net/MSocketSupport.h"

#include <QFile>
#include <QPointer>

namespace {

const QString kSource = QStringLiteral("VedAdirerO.CFtpClient");
const QString kControlErrorSource = QStringLiteral("CFtpClient.m_objControlSocket_OnError");
const QString kControlCloseSource = QStringLiteral("CFtpClient.m_objControlSocket_OnClose");

// Used as the password of an anonymous login.
const QString kAnonymousPassword = QStringLiteral("anonymous@example.com");

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
                                        "RNTO", "TYPE", "PASV", "PORT", "REST", "RETR", "STOR", "LIST", "QUIT",
                                        "AUTH", "PBSZ", "PROT"};
    return verbs[index];
}

} // namespace

CFtpClient::CFtpClient(QObject* parent) : FileTransferClient(parent)
{
    connect(&m_watchdog, &CTimeout::TimeOut, this, &CFtpClient::watchdogTick, Qt::DirectConnection);

    connect(&m_control, &CSocket::OnConnect, this, &CFtpClient::controlConnected, Qt::DirectConnection);
    connect(&m_control, &CSocket::OnDataArrival, this, &CFtpClient::controlDataArrival, Qt::DirectConnection);
    connect(&m_control, &CSocket::OnClose, this, &CFtpClient::controlClosed, Qt::DirectConnection);
    connect(&m_control, &CSocket::OnEncrypted, this, &CFtpClient::controlEncrypted, Qt::DirectConnection);
    connect(&m_control, &CSocket::OnError, this,
            [this](int number, const QString& description) { controlError(number, description); },
            Qt::DirectConnection);

    connect(&m_data, &CSocket::OnConnect, this, &CFtpClient::dataConnected, Qt::DirectConnection);
    connect(&m_data, &CSocket::OnConnectionRequest, this, &CFtpClient::dataConnectionRequest, Qt::DirectConnection);
    connect(&m_data, &CSocket::OnDataArrival, this, &CFtpClient::dataArrival, Qt::DirectConnection);
    connect(&m_data, &CSocket::OnSendComplete, this, &CFtpClient::dataSendComplete, Qt::DirectConnection);
    connect(&m_data, &CSocket::OnClose, this, &CFtpClient::dataClosed, Qt::DirectConnection);
    connect(&m_data, &CSocket::OnEncrypted, this, &CFtpClient::startUploadStream, Qt::DirectConnection);
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

void CFtpClient::applyEndpoint(const FtpServerField& endpoint)
{
    FileTransferClient::applyEndpoint(endpoint);
    m_security = endpoint.security;
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

void CFtpClient::failReply(int code, const QString& description)
{
    fail(16000 + code, description.isEmpty() ? replyDescription(code) : description, kSource);
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
    case Verb::Auth:
    case Verb::User:
    case Verb::Pass:
    case Verb::Pbsz:
    case Verb::Prot: return stLoggingIn;
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
    m_dataProtected = false;
    m_peerCertificateText.clear();
    m_peerFingerprint.clear();
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
    if (m_security == secImplicitTls)
        m_control.StartTls(m_server, m_trustedFingerprint);
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
    if (number == MSocketSupport::kTlsFailure) {
        m_peerFingerprint = m_control.PeerFingerprint();
        m_peerCertificateText = m_control.PeerCertificateText();
    }
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
    case Verb::Auth: onAuthReply(code); break;
    case Verb::Pbsz: onPbszReply(code); break;
    case Verb::Prot: onProtReply(code); break;
    }
}

void CFtpClient::onGreeting(int code)
{
    if (m_operation == opConnect && code == 220 && m_security == secExplicitTls)
        sendCommand(Verb::Auth, QStringLiteral("TLS"));
    else if (m_operation == opConnect && code == 220)
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
    if (m_security != secNone && !m_dataProtected) {
        sendCommand(Verb::Pbsz, QStringLiteral("0"));
        return;
    }
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

