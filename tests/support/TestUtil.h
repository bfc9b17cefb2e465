#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

namespace testutil {

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& data);
// Every file below a folder (relative path → content hash and modification time), to prove
// that an operation touched nothing.
QMap<QString, QByteArray> snapshotTree(const QString& root);
// Path of a program built in this tree, e.g. "src/gui/velmora".
QString builtProgram(const QString& relativePath);

} // namespace testutil
