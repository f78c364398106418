#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <sys/types.h>

// Replaces a file's content without ever leaving a half-written file behind:
// the bytes go to a temporary file in the same folder, which is flushed to the
// disk and then renamed over the old file. A failure at any step (full disk,
// crash) leaves the old file as it was. The new file keeps the old one's
// permission bits; a symbolic link is followed, so its target is replaced.
//
// Raises EFCreateError "Cannot create file "%s". %s" when the file cannot be
// created, EWriteError "Stream write error" when writing or committing fails.
void SaveFileSafely(const QString &fileName, const QByteArray &data);

// Test hook: called in place of write(2) for the file's bytes; return what
// write(2) would (set errno on -1). An empty function restores write(2).
using TWriteHook = std::function<ssize_t(int fd, const void *buffer, size_t count)>;
void SetSaveWriteHook(TWriteHook hook);
