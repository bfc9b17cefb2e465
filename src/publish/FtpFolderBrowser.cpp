#include "publish/FtpFolderBrowser.h"

#include "net/FileTransferClient.h"
#include "net/FtpServerField.h"

namespace {

const QString kStatus = QStringLiteral("Status: ");

} // namespace

FtpFolderBrowser::FtpFolderBrowser(QObject* parent) : QObject(parent)
{
    makeClient(int(FileTransferClient::Protocol::Ftp));
}

FtpFolderBrowser::~FtpFolderBrowser()
{
    m_client->disconnect(this);
}

void FtpFolderBrowser::makeClient(int protocol)
{
    if (m_client)
        m_client->disconnect(this);
    m_client = FileTransferClient::create(FileTransferClient::Protocol(protocol));
    m_client->setTimeOut(kTimeOutSeconds);
    FileTransferClient* c = m_client.get();
    connect(c, &FileTransferClient::OnConnect, this, &FtpFolderBrowser::onConnect, Qt::DirectConnection);
    connect(c, &FileTransferClient::OnEnumFiles, this, &FtpFolderBrowser::onEnumFiles, Qt::DirectConnection);
    connect(c, &FileTransferClient::OnSetCurrentDirectory, this, &FtpFolderBrowser::onSetCurrentDirectory,
            Qt::DirectConnection);
    connect(c, &FileTransferClient::OnGetCurrentDirectory, this, &FtpFolderBrowser::onGetCurrentDirectory,
            Qt::DirectConnection);
}

void FtpFolderBrowser::open(const FtpLogin& login)
{
    const FtpServerField endpoint = FtpServerField::parse(login.server);
    if (m_client->protocol() != FileTransferClient::protocolOf(endpoint))
        makeClient(int(FileTransferClient::protocolOf(endpoint)));
    m_client->applyEndpoint(endpoint);
    m_client->setUserName(login.userName.isEmpty() ? endpoint.user : login.userName);
    m_client->setPassword(login.password);
    m_client->setPassiveMode(login.passive);
    m_client->setTrustedFingerprint(login.trustedFingerprint);
    setStatus(kStatus + QStringLiteral("Connecting to ") + FtpServerField::address(login.server) + QStringLiteral(" ..."));
    if (!m_client->Connect())
        setStatus(kStatus + QStringLiteral("Address of FTP-server is not specified."));
}

void FtpFolderBrowser::close()
{
    if (m_client->FtpSessionState() == FileTransferClient::stNotConnected)
        return;
    m_client->CancelAsyncMethod();
    if (m_client->FtpSessionState() != FileTransferClient::stNotConnected)
        m_client->QuitSession();
}

QString FtpFolderBrowser::currentDirectory() const
{
    return m_client->CurrentDirectory();
}

QString FtpFolderBrowser::parentOf(const QString& directory)
{
    const qsizetype slash = directory.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : directory.left(slash);
}

QString FtpFolderBrowser::pathIn(const QString& directory, const QString& name)
{
    return directory == QLatin1String("/") ? QLatin1Char('/') + name : directory + QLatin1Char('/') + name;
}

void FtpFolderBrowser::clickRow(int row)
{
    if (row < 0 || row >= m_rows.size() || m_rows[row].isParent())
        return;
    m_chosenPath = pathIn(currentDirectory(), m_rows[row].text);
    emit chosenPathChanged(m_chosenPath);
}

void FtpFolderBrowser::activateRow(int row)
{
    if (row < 0 || row >= m_rows.size() || m_client->Busy())
        return;
    const Row& r = m_rows[row];
    m_client->SetCurrentDirectory(r.isParent() ? parentOf(currentDirectory()) : r.text);
}

void FtpFolderBrowser::setStatus(const QString& text)
{
    m_status = text;
    emit statusChanged(text);
}

// A server silent for the whole time-out is not waited for any longer.
bool FtpFolderBrowser::stopIfTimedOut(int result)
{
    if (result != FileTransferClient::ftpTimeOut)
        return false;
    m_client->blockSignals(true);
    m_client->CancelAsyncMethod();
    m_client->blockSignals(false);
    setStatus(kStatus + QStringLiteral("The server did not answer within %1 seconds.").arg(kTimeOutSeconds));
    return true;
}

QString FtpFolderBrowser::failureText() const
{
    const CFtpError& error = m_client->LastFtpError();
    if (error.Number >= 16000 && error.Number < 17000) {
        QString answer = m_client->LastServerResponse();
        while (answer.endsWith(QLatin1Char('\n')) || answer.endsWith(QLatin1Char('\r')))
            answer.chop(1);
        return QStringLiteral("Server has returned the answer: ") + answer;
    }
    return error.Description;
}

void FtpFolderBrowser::onConnect(int result)
{
    if (stopIfTimedOut(result))
        return;
    if (result != FileTransferClient::ftpDone) {
        if (result == FileTransferClient::ftpFailed)
            setStatus(kStatus + QStringLiteral("Error of connection with server. ") + failureText());
        return;
    }
    setStatus(kStatus + QStringLiteral("Connected."));
    m_client->EnumFiles();
}

void FtpFolderBrowser::onEnumFiles(int result)
{
    // Other results leave the list as it is; the status says why.
    if (stopIfTimedOut(result))
        return;
    if (result != FileTransferClient::ftpDone) {
        if (result == FileTransferClient::ftpFailed)
            setStatus(kStatus + failureText());
        return;
    }
    m_rows.clear();
    if (currentDirectory() != QLatin1String("/"))
        m_rows.append({parentRowText(), -1});
    const CFtpFiles& files = m_client->CurrentDirectoryFiles();
    for (qsizetype i = 0; i < files.Count(); ++i) {
        const CFtpFile* file = files.Item(i);
        if (file->IsDirectory)
            m_rows.append({file->FileName, static_cast<int>(i)});
    }
    emit rowsChanged();
}

void FtpFolderBrowser::onSetCurrentDirectory(int result)
{
    if (stopIfTimedOut(result))
        return;
    if (result == FileTransferClient::ftpDone)
        m_client->GetCurrentDirectory();
    else if (result == FileTransferClient::ftpFailed)
        setStatus(kStatus + failureText());
}

void FtpFolderBrowser::onGetCurrentDirectory(int result)
{
    if (stopIfTimedOut(result))
        return;
    if (result == FileTransferClient::ftpDone)
        m_client->EnumFiles();
    else if (result == FileTransferClient::ftpFailed)
        setStatus(kStatus + failureText());
}
