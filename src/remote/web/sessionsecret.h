#pragma once

#include <QByteArray>
#include <QString>

// The secret that signs the phone remote's login tokens, kept in a file only its owner
// can read (AtomicFile makes it so), beside the panel's state: logins outlast a restart,
// and deleting the file ends them all.
class SessionSecret final
{
public:
    static constexpr qsizetype Bytes = 32;

    // The secret in path, made there first when missing; empty when it can be neither
    // read nor made (logins then end with the process), and the log says why.
    static QByteArray load(const QString &path);
};
