#include "app/UploadWorkflow.h"

#include "app/AppShell.h"
#include "app/ChannelImageSeam.h"
#include "app/Session.h"
#include "common/Prompts.h"
#include "feed/FeedDateTime.h"
#include "feed/FeedWriter.h"
#include "image/PictureEditor.h"
#include "net/FileTransferClient.h"
#include "net/FtpServerField.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kDisconnected = QStringLiteral("Disconnected.");
const QString kConnectionError = QStringLiteral("Error of connection with server.");
const QString kConnectionLost = QStringLiteral("The connection with the server was lost.");

// "Sunday, 6 December 2026 09:12:45": the long date and the long time without a zone name.
QString nowText()
{
    const FeedDateTime now = currentFeedDateTime();
    const QDate date(now.year, now.month, now.day);
    return QLocale::system().toString(date, QLocale::LongFormat) + QLatin1Char(' ')
           + displayTime(formatFeedDate(now));
}

bool isServerRefusal(int errorNumber)
{
    return errorNumber >= 16000 && errorNumber < 17000;
}

QString withoutLineEnd(QString text)
{
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}

} // namespace

UploadWorkflow::UploadWorkflow(Session& session, QObject* parent)
    : QObject(parent), m_session(session)
{
    makeClient(int(FileTransferClient::Protocol::Ftp));
    m_status = kDisconnected;
}

UploadWorkflow::~UploadWorkflow()
{
    if (m_client)
        m_client->disconnect(this);
}

void UploadWorkflow::makeClient(int protocol)
{
    m_client = FileTransferClient::create(FileTransferClient::Protocol(protocol));
    m_client->setTimeOut(kTimeOutSeconds);
    FileTransferClient* c = m_client.get();
    connect(c, &FileTransferClient::OnConnect, this, &UploadWorkflow::onConnect, Qt::DirectConnection);
    connect(c, &FileTransferClient::OnUploadFile, this, &UploadWorkflow::onUploadFile, Qt::DirectConnection);
    connect(c, &FileTransferClient::OnRenameFile, this, &UploadWorkflow::onRenameFile, Qt::DirectConnection);
    connect(c, &FileTransferClient::OnQuitSession, this, &UploadWorkflow::onQuitSession, Qt::DirectConnection);
    connect(c, &FileTransferClient::OnStateChange, this, &UploadWorkflow::onStateChange, Qt::DirectConnection);
    connect(c, &FileTransferClient::OnDataTransferProgress, this, &UploadWorkflow::onProgress,
            Qt::DirectConnection);
    connect(c, &FileTransferClient::SessionProtocolMessage, this,
            [this](const QString& message, int) { appendLog(message + kCrLf); }, Qt::DirectConnection);
}

// Drops the connection at once. The client may be the one whose event is being handled, so it
// is deleted once that handler has returned.
void UploadWorkflow::dropClient()
{
    const int protocol = int(m_client->protocol());
    m_client->disconnect(this);
    m_client.release()->deleteLater();
    makeClient(protocol);
}

// ---- the project entry ---------------------------------------------------------------------

void UploadWorkflow::load()
{
    setStatus(kDisconnected);
    fields = UploadFields{};
    fields.feedFileName = QStringLiteral("sample.xml");
    fields.imageFileName = QStringLiteral("sample.gif");
    episodes.clear();
    const ProjectEntry* entry = m_session.currentEntry();
    if (!entry)
        return;
    fields.server = entry->ftpServer;
    fields.userName = entry->ftpUsername;
    fields.password = entry->ftpPassword;
    fields.passive = entry->ftpMode != 0;
    fields.uploadFeed = entry->uploadFeed;
    fields.feedFolder = entry->ftpPath;
    fields.feedFileName = entry->ftpFilename;
    fields.uploadImage = entry->uploadImage;
    fields.imageFolder = entry->ftpPath2;
    fields.imageFileName = entry->ftpFilename2;
    fields.uploadEpisodes = entry->uploadEnclosure;
    fields.episodesFolder = entry->ftpPath3;
    for (int i = 0; i < entry->enclosures.count(); ++i) {
        const EnclosureState& state = entry->enclosures[i];
        if (!state.isLocal || state.localFile.isEmpty())
            continue;
        episodes.append({i, fileNamePart(state.localFile), state.text4, state.selectedForUpload});
    }
}

void UploadWorkflow::close()
{
    if (running())
        cancel();
    else if (m_client->FtpSessionState() != FileTransferClient::stNotConnected)
        dropClient();
    setStatus(kDisconnected);

    ProjectEntry* entry = m_session.currentEntry();
    if (!entry)
        return;
    entry->ftpServer = fields.server;
    entry->ftpUsername = fields.userName;
    entry->ftpPassword = m_session.settings().savePassword ? fields.password : QString();
    entry->ftpMode = fields.passive ? 1 : 0;
    entry->uploadFeed = fields.uploadFeed;
    entry->ftpPath = fields.feedFolder;
    entry->ftpFilename = fields.feedFileName;
    entry->uploadImage = fields.uploadImage;
    entry->ftpPath2 = fields.imageFolder;
    entry->ftpFilename2 = fields.imageFileName;
    entry->uploadEnclosure = fields.uploadEpisodes;
    entry->ftpPath3 = fields.episodesFolder;
    for (const UploadEpisode& episode : episodes) {
        if (episode.index >= 0 && episode.index < entry->enclosures.count())
            entry->enclosures[episode.index].selectedForUpload = episode.ticked;
    }
    m_session.shell().saveProjectList();
}

// ---- helpers -------------------------------------------------------------------------------

QString UploadWorkflow::serverAddress(const QString& field)
{
    return FtpServerField::address(field);
}

QString UploadWorkflow::temporaryName(const QString& remoteFile)
{
    return remoteFile + QStringLiteral(".uploading");
}

QString UploadWorkflow::fileNamePart(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(cut + 1);
}

QString UploadWorkflow::uploadFailureText(const QString& serverResponse)
{
    return QStringLiteral("Cannot upload file.") + kCrLf + QStringLiteral("Server has returned the answer: ")
           + withoutLineEnd(serverResponse);
}

QString UploadWorkflow::channelWorkFile() const
{
    return m_session.shell().home().filePath(QStringLiteral("~channel.tmp"));
}

QString UploadWorkflow::imageWorkFile() const
{
    return m_session.shell().home().filePath(QStringLiteral("~image.tmp"));
}

QString UploadWorkflow::logFilePath() const
{
    const ProjectEntry* entry = m_session.currentEntry();
    // A podcast never saved has no folder to put its log in.
    if (!entry || !QFileInfo(entry->path).isAbsolute())
        return {};
    return entry->path + QStringLiteral(".log");
}

void UploadWorkflow::setStatus(const QString& text)
{
    m_status = text;
    emit statusChanged(text);
}

void UploadWorkflow::setProgress(int percent)
{
    m_progress = std::clamp(percent, 0, 100);
    emit progressChanged(m_progress);
}

void UploadWorkflow::appendLog(const QString& text)
{
    m_log += text;
    emit logChanged(m_log);
    emit logAppended(text);
}

void UploadWorkflow::setStep(Step step)
{
    const bool wasRunning = running();
    m_step = step;
    if (wasRunning != running())
        emit runningChanged(running());
}

// ---- publishing ----------------------------------------------------------------------------

void UploadWorkflow::publish()
{
    Prompts& prompts = m_session.prompts();
    if (serverAddress(fields.server).isEmpty()) {
        prompts.message(QStringLiteral("Address of FTP-server is not specified."), MessageIcon::Exclamation);
        return;
    }
    if (running() || m_client->Busy())
        return;

    // The main window's fields (the "Auto PubDate" box among them) count as they are now.
    m_session.storeWindowFields();
    ProjectEntry* entry = m_session.currentEntry();
    if (entry && entry->autoDate) {
        m_session.document().channel.pubDate = formatFeedDate(currentFeedDateTime());
        m_session.showChannelFields();
    }

    m_log.clear();
    m_missing.clear();
    m_reachedEnd = false;
    appendLog(QStringLiteral("*** Upload Started at ") + nowText() + kCrLf);

    const FtpServerField endpoint = FtpServerField::parse(fields.server);
    if (m_client->protocol() != FileTransferClient::protocolOf(endpoint)) {
        m_client->disconnect(this);
        m_client.release()->deleteLater();
        makeClient(int(FileTransferClient::protocolOf(endpoint)));
    }
    m_client->applyEndpoint(endpoint);
    m_client->setTrustedFingerprint(entry ? entry->ftpTrust : QString());
    // A user name in the server field (sftp://user@host) counts when the user field is empty.
    m_client->setUserName(fields.userName.isEmpty() ? endpoint.user : fields.userName);
    m_client->setPassword(fields.password);
    m_client->setPassiveMode(fields.passive);
    setProgress(0);
    setStatus(QStringLiteral("Connecting to ") + serverAddress(fields.server) + QStringLiteral(" ..."));
    setStep(Step::Connecting);
    // The client reports state 2 as it starts; "Connecting to" stays until the host answers.
    m_connectCalled = true;
    m_client->Connect();
    m_connectCalled = false;
}

QString UploadWorkflow::clientFailure() const
{
    const CFtpError& error = m_client->LastFtpError();
    if (isServerRefusal(error.Number))
        return QStringLiteral("Server has returned the answer: ") + withoutLineEnd(m_client->LastServerResponse());
    return error.Description;
}

void UploadWorkflow::onConnect(int result)
{
    if (m_cancelling || m_step != Step::Connecting)
        return;
    if (result != FileTransferClient::ftpDone) {
        QString detail;
        if (result == FileTransferClient::ftpTimeOut) {
            m_cancelling = true;
            m_client->CancelAsyncMethod();
            m_cancelling = false;
            detail = QStringLiteral("The server did not answer within %1 seconds.").arg(kTimeOutSeconds);
        } else if (askToTrust()) {
            return;
        } else {
            detail = clientFailure();
        }
        setStep(Step::Idle);
        appendLog(kConnectionError + kCrLf + (detail.isEmpty() ? QString() : detail + kCrLf));
        setStatus(kDisconnected);
        m_session.prompts().message(detail.isEmpty() ? kConnectionError : kConnectionError + kCrLf + detail,
                                    MessageIcon::Critical);
        return;
    }
    setStatus(QStringLiteral("Connected."));
    setStep(Step::Uploading);
    prepareJobs();
    startNextJob();
}

// Episodes first, then the image, then the feed: a podcast app that reads the new feed finds
// every file it names already there.
// A certificate or host key nothing on this computer vouches for: the user sees what it is and
// may trust it once for this project; the publish then starts again with it.
bool UploadWorkflow::askToTrust()
{
    ProjectEntry* entry = m_session.currentEntry();
    const QString fingerprint = m_client->PeerFingerprint();
    if (!entry || !m_client->PeerNeedsTrust())
        return false;
    const bool hostKey = m_client->protocol() == FileTransferClient::Protocol::Sftp;
    const QString text = (hostKey ? QStringLiteral("This computer does not know the server's host key yet.")
                                  : QStringLiteral("The server's certificate is not trusted by this computer."))
                         + kCrLf + m_client->LastFtpError().Description + kCrLf + kCrLf
                         + (hostKey ? QStringLiteral("Trust this host key (it is added to known_hosts) and publish?")
                                    : QStringLiteral("Trust this certificate for this project and publish?"));
    if (!m_session.prompts().askYesNo(text, MessageIcon::Exclamation))
        return false;
    entry->ftpTrust = fingerprint;
    m_session.shell().saveProjectList();
    // Restarted from the event loop, not from inside the client's completion event; the window
    // shows a running session all along.
    QMetaObject::invokeMethod(this, [this] {
        setStep(Step::Idle);
        publish();
    }, Qt::QueuedConnection);
    return true;
}

QList<PublishFile> UploadWorkflow::plannedFiles() const
{
    QList<PublishFile> files;
    Session& session = m_session;
    const ProjectEntry* entry = session.currentEntry();
    if (fields.uploadEpisodes && entry) {
        for (const UploadEpisode& episode : episodes) {
            if (episode.ticked && episode.index >= 0 && episode.index < entry->enclosures.count())
                files.append({PublishFile::Kind::Episode, entry->enclosures[episode.index].localFile,
                              fields.episodesFolder + QLatin1Char('/') + episode.fileName, false});
        }
    }
    if (fields.uploadImage && session.hasChannelImage())
        files.append({PublishFile::Kind::Image, session.document().channel.imageFile,
                      fields.imageFolder + QLatin1Char('/') + fields.imageFileName, true});
    if (fields.uploadFeed)
        files.append({PublishFile::Kind::Feed, session.documentSource(),
                      fields.feedFolder + QLatin1Char('/') + fields.feedFileName, true});
    return files;
}

void UploadWorkflow::prepareJobs()
{
    m_jobs.clear();
    m_missing.clear();
    ChannelImageSeam& image = m_session.image();
    for (const PublishFile& file : plannedFiles()) {
        switch (file.kind) {
        case PublishFile::Kind::Episode:
            m_jobs.append({file.localFile, file.remoteFile, false});
            break;
        case PublishFile::Kind::Image:
            QFile::remove(imageWorkFile());
            if (image.writeForUpload(imageWorkFile()))
                m_jobs.append({imageWorkFile(), temporaryName(file.remoteFile), true, file.remoteFile});
            else
                m_missing.append(file.remoteFile);
            prepareCoverJob();
            break;
        case PublishFile::Kind::Feed: {
            const ProjectEntry* entry = m_session.currentEntry();
            const int encoding = entry ? entry->encodingIndex : ProjectList::kDefaultEncodingIndex;
            const QByteArray bytes = buildFeedBytes(m_session.document(), encoding, image.pictureSize());
            const FeedWriteResult written = writeEncodedFeed(channelWorkFile(), bytes, m_session.prompts());
            if (written.ok) {
                m_jobs.append({channelWorkFile(), temporaryName(file.remoteFile), true, file.remoteFile, true});
                break;
            }
            m_missing.append(file.remoteFile);
            if (!written.encodingFailed) {
                const QString text = QStringLiteral("Cannot upload file.") + kCrLf + written.error;
                appendLog(text + kCrLf);
                m_session.prompts().message(text, MessageIcon::Exclamation);
            }
            break;
        }
        }
    }
}

// The cover art goes into the feed image's folder under its own name; itunes:image then names
// it there, by the feed image's web address when that is one.
void UploadWorkflow::prepareCoverJob()
{
    const ProjectEntry* entry = m_session.currentEntry();
    if (!entry || entry->coverPath.isEmpty())
        return;
    QString name = fileNamePart(entry->coverPath);
    // One file may not replace the other on the server.
    if (name.compare(fields.imageFileName, Qt::CaseInsensitive) == 0)
        name.prepend(QStringLiteral("cover-"));
    const QString target = fields.imageFolder + QLatin1Char('/') + name;
    m_jobs.append({entry->coverPath, temporaryName(target), false, target});
    m_session.changeChannel([&name](Channel& channel) {
        const QString beside = PictureEditor::AddressBeside(channel.imageUrl, name);
        channel.itunesImage = beside != name ? beside : PictureEditor::AddressBeside(channel.itunesImage, name);
    });
}

void UploadWorkflow::startNextJob()
{
    while (m_step == Step::Uploading) {
        if (m_client->FtpSessionState() == FileTransferClient::stNotConnected) {
            connectionLost(kConnectionLost);
            return;
        }
        if (m_jobs.isEmpty()) {
            quit();
            return;
        }
        m_current = m_jobs.takeFirst();
        if (m_current.afterAllMedia && !m_missing.isEmpty()) {
            const QString text = QStringLiteral("The feed was not uploaded, so the one on the server stays as it was: "
                                                "these files did not arrive: ") + m_missing.join(QStringLiteral(", "));
            appendLog(text + kCrLf);
            m_session.prompts().message(text, MessageIcon::Exclamation);
            markCurrentMissing();
            finishJob();
            continue;
        }
        const QFileInfo local(m_current.localFile);
        if (!local.isFile() || !local.isReadable()) {
            // Told before anything is sent: the server's last answer has nothing to do with it.
            const QString text = QStringLiteral("Cannot upload file.") + kCrLf
                                 + QStringLiteral("The file %1 cannot be read.").arg(QDir::toNativeSeparators(m_current.localFile));
            appendLog(text + kCrLf);
            m_session.prompts().message(text, MessageIcon::Exclamation);
            markCurrentMissing();
            finishJob();
            continue;
        }
        m_fileLength = local.size();
        setProgress(0);
        m_client->setTransferMode(1);
        emit fileStarted(m_current.finalFile.isEmpty() ? m_current.remoteFile : m_current.finalFile, m_fileLength);
        if (m_client->UploadFile(m_current.localFile, m_current.remoteFile, 0))
            return;
        markCurrentMissing();
        finishJob();
    }
}

void UploadWorkflow::markCurrentMissing()
{
    if (!m_current.remoteFile.isEmpty())
        m_missing.append(m_current.finalFile.isEmpty() ? m_current.remoteFile : m_current.finalFile);
}

void UploadWorkflow::finishJob()
{
    if (m_current.workFile)
        QFile::remove(m_current.localFile);
    m_current = Job{};
}

void UploadWorkflow::onUploadFile(int result)
{
    if (m_cancelling || m_step != Step::Uploading)
        return;
    if (result == FileTransferClient::ftpDone) {
        if (!m_current.finalFile.isEmpty() && m_client->RenameFile(m_current.remoteFile, m_current.finalFile))
            return;
        setProgress(100);
        setStatus(QStringLiteral("Upload Successful."));
        finishJob();
        startNextJob();
        return;
    }
    if (result == FileTransferClient::ftpTimeOut) {
        // A server silent that long is not worth waiting for with the next file.
        m_cancelling = true;
        m_client->CancelAsyncMethod();
        m_cancelling = false;
        markCurrentMissing();
        finishJob();
        const QString reason = QStringLiteral("The server did not answer within %1 seconds.").arg(kTimeOutSeconds);
        m_session.prompts().message(QStringLiteral("Cannot upload file.") + kCrLf + reason, MessageIcon::Exclamation);
        connectionLost(reason);
        return;
    }
    const CFtpError& error = m_client->LastFtpError();
    const QString text = isServerRefusal(error.Number)
                             ? uploadFailureText(m_client->LastServerResponse())
                             : QStringLiteral("Cannot upload file.") + kCrLf + error.Description;
    if (!isServerRefusal(error.Number))
        appendLog(text + kCrLf);
    jobFailed(text);
}

void UploadWorkflow::onRenameFile(int result)
{
    if (m_cancelling || m_step != Step::Uploading)
        return;
    if (result == FileTransferClient::ftpDone) {
        setProgress(100);
        setStatus(QStringLiteral("Upload Successful."));
        finishJob();
        startNextJob();
        return;
    }
    // The old file stays in place; the new one is on the server under its temporary name.
    jobFailed(uploadFailureText(m_client->LastServerResponse()) + kCrLf
              + QStringLiteral("%1 was not replaced; the new file is %2.").arg(m_current.finalFile, m_current.remoteFile));
}

void UploadWorkflow::jobFailed(const QString& text)
{
    markCurrentMissing();
    finishJob();
    m_session.prompts().message(text, MessageIcon::Exclamation);
    if (m_step != Step::Uploading)
        return; // cancelled while the message was shown
    startNextJob();
}

// The server went away in the middle of the session: the remaining files are not tried.
void UploadWorkflow::connectionLost(const QString& reason)
{
    for (const Job& job : std::as_const(m_jobs)) {
        m_missing.append(job.finalFile.isEmpty() ? job.remoteFile : job.finalFile);
        if (job.workFile)
            QFile::remove(job.localFile);
    }
    m_jobs.clear();
    dropClient();
    appendLog(reason + kCrLf);
    setStatus(kDisconnected);
    setStep(Step::Idle);
    endLog(QStringLiteral("*** Upload Stopped at "));
}

void UploadWorkflow::quit()
{
    m_reachedEnd = true;
    setStep(Step::Quitting);
    if (m_client->FtpSessionState() == FileTransferClient::stNotConnected || !m_client->QuitSession()) {
        setStep(Step::Idle);
        endLog(QStringLiteral("*** Upload Complete at "));
    }
}

void UploadWorkflow::onQuitSession(int result)
{
    if (m_cancelling || m_step != Step::Quitting)
        return;
    if (result == FileTransferClient::ftpTimeOut)
        dropClient();
    setStep(Step::Idle);
    endLog(QStringLiteral("*** Upload Complete at "));
}

void UploadWorkflow::cancel()
{
    if (!running())
        return;
    m_cancelling = true;
    m_client->CancelAsyncMethod();
    m_cancelling = false;
    markCurrentMissing();
    finishJob();
    connectionLost(QStringLiteral("Cancelled."));
    setProgress(0);
}

void UploadWorkflow::endLog(const QString& heading)
{
    if (!m_missing.isEmpty())
        appendLog(QStringLiteral("These files did not arrive: ") + m_missing.join(QStringLiteral(", ")) + kCrLf);
    appendLog(heading + nowText());
    if (!m_session.settings().saveLog)
        return;
    const QString path = logFilePath();
    if (path.isEmpty())
        return;
    QFile::remove(path);
    QSaveFile file(path);
    const QByteArray bytes = (m_log + kCrLf).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        m_session.prompts().message(QStringLiteral("The upload log cannot be written to %1:%2%3")
                                        .arg(QDir::toNativeSeparators(path), kCrLf, file.errorString()),
                                    MessageIcon::Exclamation);
    }
}

// ---- client events -------------------------------------------------------------------------

void UploadWorkflow::onStateChange(int state)
{
    switch (state) {
    case FileTransferClient::stConnecting:
        if (!m_connectCalled)
            setStatus(QStringLiteral("Host resolved."));
        break;
    case FileTransferClient::stConnected: setStatus(QStringLiteral("Connected.")); break;
    case FileTransferClient::stLoggingIn: setStatus(QStringLiteral("Authentication...")); break;
    case FileTransferClient::stLoggedIn: setStatus(QStringLiteral("You are logged in. Connection ready.")); break;
    case FileTransferClient::stOpeningDataConnection: setStatus(QStringLiteral("Establishing data connection...")); break;
    case FileTransferClient::stReadingDirectory: setStatus(QStringLiteral("Retrieving directory info...")); break;
    case FileTransferClient::stUploading: setStatus(QStringLiteral("Transfer in progress...")); break;
    default: break;
    }
}

void UploadWorkflow::onProgress(qint64 bytes)
{
    if (m_client->FtpSessionState() == FileTransferClient::stReadingDirectory)
        return;
    // An empty file is whole at once.
    setProgress(m_fileLength > 0 ? static_cast<int>(bytes * 100 / m_fileLength) : 100);
    setStatus(QStringLiteral("Uploading..."));
}
