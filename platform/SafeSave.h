#pragma once

#include <QByteArray>
#include <QString>

// How a save ended: the file could not be opened, or it was opened and the
// bytes did not all reach it.
enum class TSaveResult { Saved, NotOpened, NotWritten };

// Writes bytes to fileName so that a failure keeps the earlier file byte for
// byte: a regular file (a symbolic link is followed) or a new name is written
// beside the target and renamed over it, or written in place where the folder
// takes no new file. Any other existing target (a FIFO, a device) is written
// directly. On failure the reason is in error.
TSaveResult SaveFileSafely(const QString &fileName, const QByteArray &bytes,
                           QString *error = nullptr);
