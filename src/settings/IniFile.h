#pragma once

#include "settings/StreamErrors.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The encoding a document is saved in. ieAnsi is the system's 8-bit code page,
// which on Linux is UTF-8 without a byte order mark.
enum class TIniEncoding
{
    ieUnset,
    ieUtf8,
    ieUtf16LE,
    ieUtf16BE,
    ieAnsi,
};

// An INI document held wholly in memory: read once at creation, written
// completely by UpdateFile. Section and key names compare without regard to
// case; the first of two equal sections or keys wins; nothing is sorted.
// Comments, blank lines and lines before the first section are dropped on reading.
class TMemIniFile
{
public:
    // Reads the file; a missing file gives an empty document. Raises
    // EFOpenError "Cannot open file "%s". %s" when the file exists but cannot be read.
    explicit TMemIniFile(const QString &FileName);
    virtual ~TMemIniFile() = default;
    TMemIniFile(const TMemIniFile &) = delete;
    TMemIniFile &operator=(const TMemIniFile &) = delete;

    const QString &FileName() const { return FFileName; }
    TIniEncoding Encoding() const { return FEncoding; }
    void SetEncoding(TIniEncoding encoding) { FEncoding = encoding; }

    QString ReadString(const QString &Section, const QString &Ident, const QString &Default) const;
    void WriteString(const QString &Section, const QString &Ident, const QString &Value);
    int ReadInteger(const QString &Section, const QString &Ident, int Default) const;
    void WriteInteger(const QString &Section, const QString &Ident, int Value);
    bool ReadBool(const QString &Section, const QString &Ident, bool Default) const;
    void WriteBool(const QString &Section, const QString &Ident, bool Value);
    std::int64_t ReadInt64(const QString &Section, const QString &Ident, std::int64_t Default) const;
    void WriteInt64(const QString &Section, const QString &Ident, std::int64_t Value);

    // True only when the section exists and holds at least one line.
    bool SectionExists(const QString &Section) const;
    // True when the first section of that name holds a line whose name (the
    // text before the first "=", empty for a bare line) is Ident.
    bool ValueExists(const QString &Section, const QString &Ident) const;
    void EraseSection(const QString &Section);
    // Removes the lines of the first section of that name; the header stays.
    void EraseSectionValues(const QString &Section);
    // Removes the first key line named Ident of the first section of that name.
    void DeleteKey(const QString &Section, const QString &Ident);
    void Clear();

    // Names of all sections, in file order (equal names repeated).
    QStringList ReadSections() const;
    // Key names of the first section of that name, in order (bare lines skipped).
    QStringList ReadSection(const QString &Section) const;
    // Lines of the first section of that name as stored ("name=value" or bare).
    QStringList ReadSectionValues(const QString &Section) const;

    // Writes the whole document (see SaveFileSafely: the old file survives any
    // failure). Raises EFCreateError or EWriteError.
    void UpdateFile();

    // The document as the bytes UpdateFile writes.
    QByteArray ToBytes() const;

protected:
    struct TSection
    {
        QString Name;
        QStringList Lines;
        // The line of the first key of each folded name, so that a file with
        // thousands of keys is not searched line by line for each of them.
        // Built by the first lookup; dropped when lines move or go.
        mutable std::optional<QHash<QString, qsizetype>> KeyLines;
    };

    void Load();
    void ClearContent() { FSections.clear(); }

private:
    const TSection *FindSection(const QString &Section) const;
    TSection *FindSection(const QString &Section);
    TSection &SectionForWrite(const QString &Section);
    // The line of the first key named Ident, or -1.
    static qsizetype FindKey(const TSection &section, const QString &Ident);

    QString FFileName;
    TIniEncoding FEncoding = TIniEncoding::ieUnset;
    std::vector<TSection> FSections;
};

// The document of the settings and task files, opened either for reading (it
// is never written) or for writing (saved once, as UTF-16LE with a byte order
// mark, by Close or at destruction).
class TUnicodeIniFile : public TMemIniFile
{
public:
    static std::unique_ptr<TUnicodeIniFile> CreateForRead(const QString &FileName);
    static std::unique_ptr<TUnicodeIniFile> CreateForWrite(const QString &FileName, bool ClearEntries);

    // In write mode, saves unless Close was called already; a failure there
    // cannot reach the caller and is only logged, so writers call Close.
    ~TUnicodeIniFile() override;

    // In write mode: saves the file (once) and raises EWriteError
    // "Error writing to "%s"" when that fails. Does nothing in read mode.
    void Close();

    bool IsReadOnly() const { return FReadOnly; }
    void WriteProgramInfo(const QString &Ident, const QString &Value);

private:
    TUnicodeIniFile(const QString &FileName, bool ReadOnly, bool ClearEntries);

    bool FReadOnly;
    bool FClosed = false;
};

// Reads one flag from an INI file without keeping it open.
bool ReadBoolFromIni(const QString &FileName, const QString &Section, const QString &Ident, bool Default);
// Reads one value from an INI file without keeping it open; a file that
// cannot be read counts as a missing one (Default), it raises nothing.
QString ReadStringFromIni(const QString &FileName, const QString &Section, const QString &Ident,
                          const QString &Default = QString());
