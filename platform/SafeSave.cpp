#include "platform/SafeSave.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

TSaveResult Fail(TSaveResult result, const QString &reason, QString *error)
{
    if (error)
        *error = reason;
    return result;
}

// A FIFO or a device is no file to replace: it receives the bytes.
TSaveResult WriteDirectly(const QString &fileName, const QByteArray &bytes, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Fail(TSaveResult::NotOpened, file.errorString(), error);
    if (file.write(bytes) != bytes.size() || !file.flush())
        return Fail(TSaveResult::NotWritten, file.errorString(), error);
    return TSaveResult::Saved;
}

} // namespace

TSaveResult SaveFileSafely(const QString &fileName, const QByteArray &bytes, QString *error)
{
    const QFileInfo target(fileName);
    if (target.exists() && !target.isFile() && !target.isDir())
        return WriteDirectly(fileName, bytes, error);

    QSaveFile file(fileName);
    // A folder that takes no new file has no room for the safe copy: an existing
    // file there that may be written is written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return Fail(TSaveResult::NotOpened, file.errorString(), error);
    // A small write stays in the buffer, and commit() would rename the empty copy
    // over the target even when flushing it fails (a full disk): the write is
    // flushed and checked first.
    if (file.write(bytes) != bytes.size() || !file.flush() ||
        file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        file.commit(); // removes the copy; the target is untouched
        return Fail(TSaveResult::NotWritten, reason, error);
    }
    if (!file.commit())
        return Fail(TSaveResult::NotWritten, file.errorString(), error);
    return TSaveResult::Saved;
}
