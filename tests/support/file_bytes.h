#pragma once

#include <QByteArray>
#include <QString>

// A file's bytes, or none when it does not open; a test compares them to see that nothing changed.
QByteArray fileBytes(const QString &path);
// Writes `bytes` as the whole file; a failure fails the test.
void writeFile(const QString &path, const QByteArray &bytes);
