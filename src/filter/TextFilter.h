#pragma once

#include "filter/WildcardMask.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

class TPcre2Pattern;

// Stored in settings and task files as 0, 1, 2.
enum TFilterMode : std::uint8_t
{
    fmOff,
    fmInclude,
    fmExclude,
};

// Maps a stored number to a mode; unknown values switch the filter off.
TFilterMode FilterModeFromStored(int value);

class EFilterError : public std::runtime_error
{
public:
    explicit EFilterError(const QString &message);
    const QString &Message() const { return FMessage; }

private:
    QString FMessage;
};

// The file-name filter of a backup: a list of wildcard masks or one regular
// expression, used to include or exclude files. Not for use by two threads at
// once (a regular-expression search reuses one match buffer).
class TTextFilter
{
public:
    explicit TTextFilter(bool isFileFilter = true, bool ignoreCase = true);
    ~TTextFilter();
    TTextFilter(const TTextFilter &) = delete;
    TTextFilter &operator=(const TTextFilter &) = delete;

    // Masks, mode off, mask list "*"; the pattern and the separator stay.
    void Reset();
    // Copies Regular, Mode, the mask list and the separator (not the pattern).
    void Assign(const TTextFilter &other);

    // The pattern when Regular, else the mask list.
    QString Filter() const;
    // Throws EFilterError ("Illegal regular expression!" or "Illegal mask!")
    // and leaves the match-all text of that kind in place.
    void SetFilter(const QString &value);
    // The filter text that passes every name: "." or "*".
    QString MatchAll() const;

    TFilterMode Mode() const { return FMode; }
    void SetMode(TFilterMode mode) { FMode = mode; }
    bool Regular() const { return FRegExp; }
    void SetRegular(bool regular) { FRegExp = regular; }
    QChar Separator() const { return FSep; }
    void SetSeparator(QChar separator);
    bool IsFileFilter() const { return FIsFileFilter; }
    bool IgnoreCase() const { return FIgnoreCase; }

    // Never throws: a mask that cannot be used counts as not matching.
    bool MatchesFilter(const QString &text) const;

    // Takes the text before the first separator off the front of the list.
    static QString NextElement(QString &list, QChar separator);

private:
    struct TElement
    {
        bool Negated = false;
        bool EndsWithDot = false;
        std::optional<TWildcardMask> Mask; // empty when invalid
    };

    void SetPattern(const QString &pattern);
    void SetMaskList(const QString &masks);
    QString RewriteFileMasks(const QString &value) const;
    bool MatchesRegularExpression(const QString &text) const;
    bool MatchesMaskList(const QString &text) const;
    bool ElementOutcome(const TElement &element, const QString &text) const;
    const TPcre2Pattern *CompiledPattern() const;

    bool FRegExp = false;
    bool FIsFileFilter = true;
    TFilterMode FMode = fmOff;
    QString FMask = QStringLiteral("*");
    QChar FSep = QLatin1Char('|');
    bool FIgnoreCase = true;
    QString FPattern = QStringLiteral(".");

    // Caches derived from FMask/FSep and FPattern; rebuilt when those change.
    bool FAllElements = false;
    std::vector<TElement> FElements;
    mutable std::unique_ptr<TPcre2Pattern> FCompiled;
};
