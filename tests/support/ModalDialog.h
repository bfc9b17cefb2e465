#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>

namespace testutil {

// Runs `act` on the first modal dialog of type Dialog once it is shown (its exec() has
// started), so a test can fill it in and close it.
template <typename Dialog>
void onModalDialog(std::function<void(Dialog&)> act)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        act(*dialog);
    });
    poll->start(20);
}

} // namespace testutil
