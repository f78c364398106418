#include "settings/IniFile.h"

#include "base/ErrorText.h"
#include "base/FileDescriptor.h"
#include "base/IntegerText.h"
#include "base/SafeFormat.h"
#include "base/TrimText.h"
#include "settings/IniText.h"
#include "settings/SafeSave.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Settings and task files are small; anything beyond this is no INI file of ours.
constexpr qint64 MaxIniFileSize = qint64{64} * 1024 * 1024;

const QString UnicodeSection = QStringLiteral("Unicode");
const QString EncodingKey = QStringLiteral("Encoding");

bool SameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The name of a key line, or nothing for a bare line.
std::optional<QStringView> KeyName(const QString &line)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0)
        return std::nullopt;
    return QStringView(line).left(equals);
}

// The form of a name under which equal names (SameName) meet: every code
// point folded as the case-insensitive comparison folds it.
QString FoldedName(QStringView name)
{
    QString folded;
    folded.reserve(name.size());
    for (const char32_t c : name.toUcs4())
        folded += QChar::fromUcs4(QChar::toCaseFolded(c));
    return folded;
}

// A stored line break would split the line when the file is read again.
QString OneLine(QString text)
{
    for (QChar &c : text)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.isNull())
            c = QLatin1Char(' ');
    return text;
}

[[noreturn]] void RaiseOpenError(const QString &fileName, int err)
{
    throw EFOpenError(SafeFormat(QCoreApplication::translate("LibText", "Cannot open file \"%s\". %s"), fileName,
                                 ErrorMessageText(static_cast<std::uint32_t>(err))),
                      static_cast<std::uint32_t>(err));
}

// The file's bytes; false when there is no such file.
bool ReadFileBytes(const QString &fileName, QByteArray &bytes)
{
    const QByteArray path = QFile::encodeName(fileName);
    // Non-blocking, so that a named pipe cannot hang the program.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return false;
        RaiseOpenError(fileName, errno);
    }
    const TFileDescriptor closer(fd);
    struct stat info
    {};
    if (::fstat(fd, &info) != 0)
        RaiseOpenError(fileName, errno);
    if (S_ISDIR(info.st_mode))
        RaiseOpenError(fileName, EISDIR);
    if (!S_ISREG(info.st_mode))
        RaiseOpenError(fileName, EINVAL);
    if (info.st_size > MaxIniFileSize)
        RaiseOpenError(fileName, EFBIG);
    bytes.resize(static_cast<qsizetype>(info.st_size));
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (bytes.size() >= MaxIniFileSize)
                RaiseOpenError(fileName, EFBIG);
            bytes.resize(filled + 4096); // the file may have grown meanwhile
        }
        const ssize_t got = ::read(fd, bytes.data() + filled, static_cast<size_t>(bytes.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            RaiseOpenError(fileName, errno);
        if (got == 0)
            break;
        filled += got;
    }
    bytes.truncate(filled);
    return true;
}

} // namespace

TMemIniFile::TMemIniFile(const QString &FileName)
    : FFileName(FileName.isEmpty() ? FileName : QFileInfo(FileName).absoluteFilePath())
{
    Load();
}

void TMemIniFile::Load()
{
    QByteArray bytes;
    if (!ReadFileBytes(FFileName, bytes))
        return;
    QString text = DecodeIniBytes(bytes, FEncoding);
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);

    TSection *current = nullptr;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        const QStringView line = TrimControls(QStringView(text).mid(pos, end - pos));
        // CR LF, a lone CR and a lone LF each end one line.
        pos = end;
        if (pos < text.size() && text[pos] == QLatin1Char('\r')) {
            ++pos;
            if (pos < text.size() && text[pos] == QLatin1Char('\n'))
                ++pos;
        } else if (pos < text.size()) {
            ++pos;
        }

        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.size() >= 2 && line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            FSections.push_back({TrimControls(line.mid(1, line.size() - 2)).toString(), {}, {}});
            current = &FSections.back();
            continue;
        }
        if (current == nullptr)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0) {
            current->Lines.append(line.toString());
            continue;
        }
        current->Lines.append(TrimControls(line.left(equals)).toString() + QLatin1Char('=') +
                              TrimControls(line.mid(equals + 1)).toString());
    }
}

const TMemIniFile::TSection *TMemIniFile::FindSection(const QString &Section) const
{
    for (const TSection &section : FSections)
        if (SameName(section.Name, Section))
            return &section;
    return nullptr;
}

TMemIniFile::TSection *TMemIniFile::FindSection(const QString &Section)
{
    return const_cast<TSection *>(std::as_const(*this).FindSection(Section));
}

qsizetype TMemIniFile::FindKey(const TSection &section, const QString &Ident)
{
    if (!section.KeyLines) {
        QHash<QString, qsizetype> keyLines;
        keyLines.reserve(section.Lines.size());
        for (qsizetype i = 0; i < section.Lines.size(); ++i)
            if (const std::optional<QStringView> name = KeyName(section.Lines[i])) {
                const QString folded = FoldedName(*name);
                if (!keyLines.contains(folded)) // the first of equal names wins
                    keyLines.insert(folded, i);
            }
        section.KeyLines = std::move(keyLines);
    }
    const auto found = section.KeyLines->constFind(FoldedName(Ident));
    return found != section.KeyLines->cend() ? found.value() : -1;
}

TMemIniFile::TSection &TMemIniFile::SectionForWrite(const QString &Section)
{
    if (TSection *section = FindSection(Section))
        return *section;
    FSections.push_back({OneLine(Section), {}, {}});
    return FSections.back();
}

QString TMemIniFile::ReadString(const QString &Section, const QString &Ident, const QString &Default) const
{
    const TSection *section = FindSection(Section);
    if (section == nullptr)
        return Default;
    const qsizetype index = FindKey(*section, Ident);
    if (index < 0)
        return Default;
    const QString &line = section->Lines[index];
    return line.mid(line.indexOf(QLatin1Char('=')) + 1);
}

void TMemIniFile::WriteString(const QString &Section, const QString &Ident, const QString &Value)
{
    TSection &section = SectionForWrite(Section);
    const QString line = OneLine(Ident) + QLatin1Char('=') + OneLine(Value);
    const qsizetype index = FindKey(section, Ident);
    if (index < 0) {
        // Under the name the line will read back with (a "=" in Ident ends it).
        const QString folded = FoldedName(KeyName(line).value_or(QStringView()));
        if (!section.KeyLines->contains(folded))
            section.KeyLines->insert(folded, section.Lines.size());
        section.Lines.append(line);
    } else {
        section.Lines[index] = line;
    }
}

int TMemIniFile::ReadInteger(const QString &Section, const QString &Ident, int Default) const
{
    int value = 0;
    return ParseInteger32(ReadString(Section, Ident, QString()), value) ? value : Default;
}

void TMemIniFile::WriteInteger(const QString &Section, const QString &Ident, int Value)
{
    WriteString(Section, Ident, QString::number(Value));
}

bool TMemIniFile::ReadBool(const QString &Section, const QString &Ident, bool Default) const
{
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TMemIniFile::WriteBool(const QString &Section, const QString &Ident, bool Value)
{
    WriteString(Section, Ident, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

std::int64_t TMemIniFile::ReadInt64(const QString &Section, const QString &Ident, std::int64_t Default) const
{
    std::int64_t value = 0;
    return ParseInteger64(ReadString(Section, Ident, QString()), value) ? value : Default;
}

void TMemIniFile::WriteInt64(const QString &Section, const QString &Ident, std::int64_t Value)
{
    WriteString(Section, Ident, QString::number(Value));
}

bool TMemIniFile::SectionExists(const QString &Section) const
{
    const TSection *section = FindSection(Section);
    return section != nullptr && !section->Lines.isEmpty();
}

bool TMemIniFile::ValueExists(const QString &Section, const QString &Ident) const
{
    const TSection *section = FindSection(Section);
    if (section == nullptr)
        return false;
    for (const QString &line : section->Lines)
        if (SameName(KeyName(line).value_or(QStringView()), Ident))
            return true;
    return false;
}

void TMemIniFile::EraseSection(const QString &Section)
{
    for (auto it = FSections.begin(); it != FSections.end(); ++it) {
        if (SameName(it->Name, Section)) {
            FSections.erase(it);
            return;
        }
    }
}

void TMemIniFile::EraseSectionValues(const QString &Section)
{
    if (TSection *section = FindSection(Section)) {
        section->Lines.clear();
        section->KeyLines.reset();
    }
}

void TMemIniFile::DeleteKey(const QString &Section, const QString &Ident)
{
    TSection *section = FindSection(Section);
    if (section == nullptr)
        return;
    const qsizetype index = FindKey(*section, Ident);
    if (index >= 0) {
        section->Lines.removeAt(index);
        section->KeyLines.reset();
    }
}

void TMemIniFile::Clear()
{
    FSections.clear();
}

QStringList TMemIniFile::ReadSections() const
{
    QStringList names;
    for (const TSection &section : FSections)
        names.append(section.Name);
    return names;
}

QStringList TMemIniFile::ReadSection(const QString &Section) const
{
    QStringList names;
    if (const TSection *section = FindSection(Section))
        for (const QString &line : section->Lines)
            if (const std::optional<QStringView> name = KeyName(line))
                names.append(name->toString());
    return names;
}

QStringList TMemIniFile::ReadSectionValues(const QString &Section) const
{
    const TSection *section = FindSection(Section);
    return section ? section->Lines : QStringList();
}

QByteArray TMemIniFile::ToBytes() const
{
    const QString lineEnd = QStringLiteral("\r\n");
    QString text;
    for (const TSection &section : FSections) {
        text += QLatin1Char('[') + section.Name + QLatin1Char(']') + lineEnd;
        for (const QString &line : section.Lines)
            text += line + lineEnd;
        text += lineEnd;
    }
    return EncodeIniText(text, FEncoding);
}

void TMemIniFile::UpdateFile()
{
    SaveFileSafely(FFileName, ToBytes());
}

TUnicodeIniFile::TUnicodeIniFile(const QString &FileName, bool ReadOnly, bool ClearEntries)
    : TMemIniFile(FileName), FReadOnly(ReadOnly)
{
    if (FReadOnly)
        return;
    if (ClearEntries)
        ClearContent();
    SetEncoding(TIniEncoding::ieUtf16LE);
    if (ClearEntries || !SectionExists(UnicodeSection) || !ValueExists(UnicodeSection, EncodingKey))
        WriteString(UnicodeSection, EncodingKey, QStringLiteral("UTF-16LE"));
}

std::unique_ptr<TUnicodeIniFile> TUnicodeIniFile::CreateForRead(const QString &FileName)
{
    return std::unique_ptr<TUnicodeIniFile>(new TUnicodeIniFile(FileName, true, false));
}

std::unique_ptr<TUnicodeIniFile> TUnicodeIniFile::CreateForWrite(const QString &FileName, bool ClearEntries)
{
    return std::unique_ptr<TUnicodeIniFile>(new TUnicodeIniFile(FileName, false, ClearEntries));
}

TUnicodeIniFile::~TUnicodeIniFile()
{
    try {
        Close();
    } catch (const std::exception &error) {
        qWarning("%s", error.what());
    }
}

void TUnicodeIniFile::Close()
{
    if (FReadOnly || FClosed)
        return;
    FClosed = true;
    try {
        UpdateFile();
    } catch (const EStreamError &error) {
        throw EWriteError(SafeFormat(QCoreApplication::translate("LibText", "Error writing to \"%s\""), FileName()),
                          error.Code());
    }
}

void TUnicodeIniFile::WriteProgramInfo(const QString &Ident, const QString &Value)
{
    WriteString(UnicodeSection, Ident, Value);
}

bool ReadBoolFromIni(const QString &FileName, const QString &Section, const QString &Ident, bool Default)
{
    return TMemIniFile(FileName).ReadBool(Section, Ident, Default);
}

QString ReadStringFromIni(const QString &FileName, const QString &Section, const QString &Ident, const QString &Default)
{
    try {
        return TMemIniFile(FileName).ReadString(Section, Ident, Default);
    } catch (const EStreamError &) {
        return Default;
    }
}
