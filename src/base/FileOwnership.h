#pragma once

#include <QByteArray>

#include <sys/stat.h>

// Gives a new file that is about to replace an old one (fd open for writing)
// the old one's owner and group, permission bits and extended attributes, so
// that a replaced copy is no easier to read or change than before.
//
// Owner and group go over only where the user may hand them out (root; a
// group of one's own); extended attributes only where both files can hold
// them. Returns 0, or the errno of a failed change of the permission bits,
// which the caller reports: the new file then has the default mode.
int CarryOverOwnership(int fd, const QByteArray &oldPath, const struct stat &old);
