#pragma once

#include <QString>

#include <functional>

// The tag fields a track carries and that files store as their metadata.
struct AudioTags {
    QString title;
    QString artist;
    QString album;
    qint32 year = 0;
    qint16 trackNumber = 0;
    QString comment;

    bool isEmpty() const
    {
        return title.isEmpty() && artist.isEmpty() && album.isEmpty() && year == 0 && trackNumber == 0
               && comment.isEmpty();
    }
    bool operator==(const AudioTags&) const = default;
};

// Called during long operations with the work done so far and the whole; returning false cancels.
using ProgressFunction = std::function<bool(qint64 done, qint64 total)>;

// Outcome of an operation that can fail in a way the user should hear about.
struct AudioStatus {
    enum Code { Ok, Failed, Cancelled, Unsupported };
    Code code = Ok;
    QString message;

    bool ok() const { return code == Ok; }
    static AudioStatus success() { return {}; }
    static AudioStatus failure(const QString& text) { return {Failed, text}; }
    static AudioStatus cancelled() { return {Cancelled, QStringLiteral("cancelled")}; }
    static AudioStatus unsupported(const QString& text) { return {Unsupported, text}; }
};
