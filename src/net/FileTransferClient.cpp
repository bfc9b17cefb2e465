#include "net/FileTransferClient.h"

#include "net/CFtpClient.h"
#include "net/FtpServerField.h"
#include "net/SftpClient.h"

FileTransferClient::FileTransferClient(QObject* parent) : QObject(parent)
{
    m_watchdog.setTimeOutValue(60);
}

FileTransferClient::~FileTransferClient() = default;

std::unique_ptr<FileTransferClient> FileTransferClient::create(Protocol protocol)
{
    if (protocol == Protocol::Sftp)
        return std::make_unique<SftpClient>();
    return std::make_unique<CFtpClient>();
}

FileTransferClient::Protocol FileTransferClient::protocolOf(const FtpServerField& endpoint)
{
    return endpoint.sftp ? Protocol::Sftp : Protocol::Ftp;
}

void FileTransferClient::applyEndpoint(const FtpServerField& endpoint)
{
    setFtpServer(endpoint.host);
    setRemotePort(endpoint.port);
    if (!endpoint.user.isEmpty())
        setUserName(endpoint.user);
}

void FileTransferClient::setRemotePort(int port)
{
    if (port >= 1 && port <= 65535)
        m_remotePort = port;
}

bool FileTransferClient::DataTransferInProgress() const
{
    return m_operation == opDownloadFile || m_operation == opUploadFile || m_operation == opEnumFiles;
}

void FileTransferClient::raiseCompletion(int operation, int result)
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
