// The INI reader on any bytes: it must not crash, and what it writes must read
// back as the same document (sections, lines, values).

#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

QString FilePath(const char *name)
{
    static QTemporaryDir dir;
    return dir.filePath(QString::fromLatin1(name));
}

void WriteFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

void ExpectSameDocument(const TMemIniFile &a, const TMemIniFile &b)
{
    if (a.ReadSections() != b.ReadSections())
        std::abort();
    for (const QString &section : a.ReadSections()) {
        if (a.ReadSectionValues(section) != b.ReadSectionValues(section))
            std::abort();
        for (const QString &key : a.ReadSection(section))
            if (a.ReadString(section, key, QStringLiteral("\x01")) !=
                b.ReadString(section, key, QStringLiteral("\x02")))
                std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString first = FilePath("first.ini");
    const QString second = FilePath("second.ini");
    WriteFile(first, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    TMemIniFile read(first);

    // Typed reads of every key never fail loudly.
    for (const QString &section : read.ReadSections())
        for (const QString &key : read.ReadSection(section)) {
            read.ReadInteger(section, key, 7);
            read.ReadInt64(section, key, 7);
            read.ReadBool(section, key, true);
        }

    // Written and read again: the same document.
    WriteFile(second, read.ToBytes());
    const TMemIniFile again(second);
    ExpectSameDocument(read, again);

    // Values written through the API read back as written (line breaks become blanks).
    TMemIniFile edited(second);
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(std::min<std::size_t>(size, 64)));
    edited.WriteString(QStringLiteral("Fuzz"), QStringLiteral("Key"), text);
    edited.SetEncoding(TIniEncoding::ieUtf16LE);
    WriteFile(second, edited.ToBytes());
    const TMemIniFile reread(second);
    QString expected = text;
    for (QChar &c : expected)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.isNull())
            c = QLatin1Char(' ');
    // Reading trims blanks and control characters at both ends.
    qsizetype start = 0, end = expected.size();
    while (start < end && expected[start].unicode() <= 0x20)
        ++start;
    while (end > start && expected[end - 1].unicode() <= 0x20)
        --end;
    if (reread.ReadString(QStringLiteral("Fuzz"), QStringLiteral("Key"), QString()) != expected.mid(start, end - start))
        std::abort();
    return 0;
}
