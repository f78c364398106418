#pragma once

#include "settings/IniFile.h"

#include <QByteArray>
#include <QString>

// Decodes a file's bytes by its byte order mark (EF BB BF, FF FE, FE FF; none:
// the 8-bit code page, UTF-8 here) and reports the encoding found. Bytes that
// are no valid UTF-8 decode as Latin-1 characters, so that files written in a
// Western 8-bit code page keep their letters; an odd last byte of UTF-16 is dropped.
QString DecodeIniBytes(const QByteArray &bytes, TIniEncoding &encoding);

// The text in the encoding, preceded by its byte order mark (none for ieAnsi
// and ieUnset, which are written as UTF-8).
QByteArray EncodeIniText(const QString &text, TIniEncoding encoding);

// UTF-8 with every invalid byte taken as a Latin-1 character.
QString DecodeUtf8OrLatin1(const char *data, qsizetype size);
