#pragma once

#include <QDateTime>
#include <QString>

// One entry of a directory listing.
class CFtpFile {
public:
    bool IsDirectory = false;
    qint64 FileSize = 0;
    QDateTime LastWriteTime;
    QString FileName;
    QString FilePath; // the target of a symbolic link
    QString Permissions;
    QString Owner;
    QString Group;
};
