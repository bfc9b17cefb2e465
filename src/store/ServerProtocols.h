#pragma once

#include <QString>

// The protocol list beside the server field. Each protocol is written into the field as its URL
// prefix, so the field alone says how to connect, as it does when typed. A project entry holds
// the field as typed; project.ini keeps the host in "FTPServer" as before (programs that read
// the file expect a host there) and the protocol in "FTPProtocol".
namespace server_protocols {

enum Protocol { Ftp = 0, Ftpes = 1, Ftps = 2, Sftp = 3, Count = 4 };

// "ftp", "ftpes", "ftps", "sftp": the URL prefix without "://", and the stored value.
QString scheme(int protocol);
// What the list shows.
QString label(int protocol);
// The protocol the field names: its prefix (any letter case); FTP for a bare host or an
// unknown prefix.
int protocolOf(const QString& field);
// The field with its prefix replaced by the protocol's. A bare host stays bare for FTP; the port
// and anything after the host stay as typed.
QString withProtocol(const QString& field, int protocol);

// project.ini: the server without a prefix other than ftp:// (which the field always allowed)
// and the protocol's stored value ("" for FTP).
QString storedServer(const QString& field);
QString storedProtocol(const QString& field);
// The field back from the stored pair; a server stored with its prefix keeps it.
QString fieldFrom(const QString& storedServer, const QString& storedProtocol);

} // namespace server_protocols
