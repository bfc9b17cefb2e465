#pragma once

#include <QList>
#include <QObject>
#include <QPair>

class FileTransferClient;

// Collects the completion events of one client so that a sequential caller (the command line,
// a publish sequence, a test) can wait for them without polling: waiting runs the event loop,
// which sleeps until the next socket or timer event.
class FtpWaiter : public QObject {
    Q_OBJECT
public:
    explicit FtpWaiter(FileTransferClient& client, QObject* parent = nullptr);

    // Runs the event loop until a completion event not yet taken arrives (or one is already
    // waiting) and returns its result; -1 when timeoutMs (>= 0) passes first.
    int wait(int timeoutMs = -1);
    // The operation of the last result wait() returned.
    int lastOperation() const { return m_lastOperation; }
    // Runs the event loop until no operation is current; false when timeoutMs passes first.
    bool waitForIdle(int timeoutMs = -1);
    // Every completion seen so far, (operation, result), oldest first.
    const QList<QPair<int, int>>& history() const { return m_history; }

signals:
    void completed();

private:
    FileTransferClient& m_client;
    QList<QPair<int, int>> m_history;
    qsizetype m_taken = 0;
    int m_lastOperation = 0;
};
