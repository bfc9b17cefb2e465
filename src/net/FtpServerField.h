#pragma once

#include <QString>

// The server field of the upload window, the folder browser and "velmora-cli ftp": a host name,
// optionally with a user name and a port ("user@host:port", "[::1]:2121") and a protocol
// prefix: "ftp://" (clear text, as a bare host), "ftpes://" (explicit TLS), "ftps://" (implicit
// TLS, port 990 by default) or "sftp://" (SSH, port 22 by default).
struct FtpServerField {
    QString host;
    int port = 21;
    int security = 0; // a CFtpClient::Security value
    bool sftp = false;
    QString user; // from "user@host"; empty when not given
    bool portGiven = false;
    // Why the field names no server the client can reach; empty when it does. The host is then
    // the address unchanged, so a connection attempt fails the way it always did.
    QString error;

    // The field without a leading "ftp:" (any letter case) and the slashes after it, and
    // without surrounding blanks.
    static QString address(const QString& field);
    static FtpServerField parse(const QString& field);
};
