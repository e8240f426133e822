#pragma once

#include <QByteArray>
#include <QString>

// A file's bytes, read or written whole, as the tests set up and check settings files.
class FileBytes final
{
public:
    FileBytes() = delete;

    // Empty when the file cannot be read.
    static QByteArray read(const QString &path);
    // Replaces the file's content; false when not all of it could be written.
    static bool write(const QString &path, const QByteArray &bytes);
};
