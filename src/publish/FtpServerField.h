#pragma once

#include <QString>

// The server field of the upload window and the folder browser, as the FTP client needs it.
struct FtpServerField {
    QString host;
    int port = 21;

    // The field without a leading "FTP:" (any letter case) and the slashes after it, and
    // without surrounding blanks.
    static QString address(const QString& field);
    // The address split into host and port: "host:port" reaches another port than 21.
    static FtpServerField parse(const QString& field);
};
