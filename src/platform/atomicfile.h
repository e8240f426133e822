#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file's content so that it is always either the old or the new content:
// a temporary file beside it, created private (mkostemp gives 0600, so a password in
// the file is never readable by others, not even for a moment), given the replaced
// file's owner and mode, synced, then renamed over it, and the folder synced. On
// failure the temporary file is removed and the old file is untouched.
class AtomicFile final
{
public:
    static bool replace(const QString &path, const QByteArray &bytes);
};
