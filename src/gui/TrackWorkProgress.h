#pragma once

#include "app/WorkProgress.h"

#include <QElapsedTimer>
#include <QPointer>

class QProgressDialog;
class QWidget;

// Long track work in a small window owned by the episode editor ("Saving...", "Fade +..."), with a
// bar and a Cancel button. It appears only for work that lasts, and lets events run between blocks
// so the windows repaint; the dialog is modal, so nothing else reaches the editor meanwhile.
class TrackWorkProgress : public WorkProgress {
public:
    explicit TrackWorkProgress(QWidget* owner);
    ~TrackWorkProgress() override;

    void begin(const QString& text) override;
    bool advance(qint64 done, qint64 total) override;
    void end() override;

private:
    QWidget* m_owner;
    QPointer<QProgressDialog> m_dialog;
    QElapsedTimer m_sinceEvents;
};
