#include "net/FtpWaiter.h"

#include "net/FileTransferClient.h"

#include <QEventLoop>
#include <QTimer>

FtpWaiter::FtpWaiter(FileTransferClient& client, QObject* parent) : QObject(parent), m_client(client)
{
    connect(&client, &FileTransferClient::OperationCompleted, this, [this](int operation, int result) {
        m_history.append({operation, result});
        emit completed();
    }, Qt::DirectConnection);
}

int FtpWaiter::wait(int timeoutMs)
{
    if (m_taken >= m_history.size()) {
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        connect(this, &FtpWaiter::completed, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        if (timeoutMs >= 0)
            limit.start(timeoutMs);
        while (m_taken >= m_history.size() && (timeoutMs < 0 || limit.isActive()))
            loop.exec();
        if (m_taken >= m_history.size())
            return -1;
    }
    const auto [operation, result] = m_history[m_taken++];
    m_lastOperation = operation;
    return result;
}

bool FtpWaiter::waitForIdle(int timeoutMs)
{
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(this, &FtpWaiter::completed, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (timeoutMs >= 0)
        limit.start(timeoutMs);
    while (m_client.CurrentOperation() != 0 && (timeoutMs < 0 || limit.isActive()))
        loop.exec();
    return m_client.CurrentOperation() == 0;
}
