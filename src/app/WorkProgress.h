#pragma once

#include <QString>

// Long track work (open, save, an effect on a long selection) reports through this, so the
// window can show "Saving..." with a bar and a Cancel button and keep handling events between
// blocks. Tests use a scripted one.
class WorkProgress {
public:
    virtual ~WorkProgress() = default;
    virtual void begin(const QString& text) = 0;
    // False when the user cancelled: the work stops and leaves the track as it was.
    virtual bool advance(qint64 done, qint64 total) = 0;
    virtual void end() = 0;
};
