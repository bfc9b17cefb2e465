#pragma once

#include <QString>

// The last failure of an FTP operation: a Windows Sockets number, 16000 plus a reply code,
// 16001 (unreadable directory reply) or 16002 (unreadable listing).
class CFtpError {
public:
    int Number = 0;
    QString Description;
    QString Source;

    void clear() { *this = CFtpError(); }
    void set(int number, const QString& description, const QString& source)
    {
        Number = number;
        Description = description;
        Source = source;
    }
};
