#include "filter/TextFilter.h"

#include "filter/Pcre2Pattern.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

const QString MatchAllMasks = QStringLiteral("*");
const QString MatchAllPattern = QStringLiteral(".");
const QString ProbeName = QStringLiteral("xyz");

QString IllegalMaskText()
{
    return QCoreApplication::translate("PrgText", "Illegal mask!");
}

QString IllegalRegularExpressionText()
{
    return QCoreApplication::translate("PrgText", "Illegal regular expression!");
}

// The extension is the part from the last "." on, unless a "\" or ":" follows
// that dot.
bool HasExtension(const QString &name)
{
    for (qsizetype i = name.size() - 1; i >= 0; --i) {
        const QChar c = name[i];
        if (c == QLatin1Char('.'))
            return true;
        if (c == QLatin1Char('\\') || c == QLatin1Char(':'))
            return false;
    }
    return false;
}

} // namespace

TFilterMode FilterModeFromStored(int value)
{
    switch (value) {
    case fmInclude:
        return fmInclude;
    case fmExclude:
        return fmExclude;
    default:
        return fmOff;
    }
}

EFilterError::EFilterError(const QString &message) : std::runtime_error(message.toStdString()), FMessage(message)
{}

TTextFilter::TTextFilter(bool isFileFilter, bool ignoreCase) : FIsFileFilter(isFileFilter), FIgnoreCase(ignoreCase)
{
    Reset();
}

TTextFilter::~TTextFilter() = default;

void TTextFilter::Reset()
{
    FRegExp = false;
    FMode = fmOff;
    SetMaskList(MatchAllMasks);
}

void TTextFilter::Assign(const TTextFilter &other)
{
    FRegExp = other.FRegExp;
    FMode = other.FMode;
    FSep = other.FSep;
    SetMaskList(other.FMask);
}

QString TTextFilter::Filter() const
{
    return FRegExp ? FPattern : FMask;
}

QString TTextFilter::MatchAll() const
{
    return FRegExp ? MatchAllPattern : MatchAllMasks;
}

void TTextFilter::SetSeparator(QChar separator)
{
    FSep = separator;
    SetMaskList(FMask);
}

QString TTextFilter::NextElement(QString &list, QChar separator)
{
    const qsizetype at = list.indexOf(separator);
    if (at < 0) {
        QString element = list;
        list.clear();
        return element;
    }
    QString element = list.left(at);
    list.remove(0, at + 1);
    return element;
}

void TTextFilter::SetFilter(const QString &value)
{
    if (FRegExp) {
        if (value.isEmpty()) {
            SetPattern(MatchAllPattern);
            return;
        }
        SetPattern(value);
        const TPcre2Pattern *compiled = CompiledPattern();
        if (!compiled || compiled->Search(ProbeName) < 0) {
            SetPattern(MatchAllPattern);
            throw EFilterError(IllegalRegularExpressionText());
        }
        return;
    }

    if (value.isEmpty()) {
        SetMaskList(MatchAllMasks);
        return;
    }
    SetMaskList(FIsFileFilter ? RewriteFileMasks(value) : value);
    // SetMaskList has compiled every element already. A leading "+" or "!" is
    // an ordinary character to the mask compiler, so an element is valid with
    // it exactly when it is valid without it.
    const bool allValid = std::all_of(FElements.begin(), FElements.end(),
                                      [](const TElement &element) { return element.Mask.has_value(); });
    if (!allValid) {
        SetMaskList(MatchAllMasks);
        throw EFilterError(IllegalMaskText());
    }
}

// An element without extension gets ".*", so that testing needs no extension
// handling beyond the trailing-dot rule.
QString TTextFilter::RewriteFileMasks(const QString &value) const
{
    QStringList elements;
    QString rest = value;
    while (!rest.isEmpty()) {
        QString element = NextElement(rest, FSep);
        if (!HasExtension(element))
            element += QStringLiteral(".*");
        elements.append(element);
    }
    return elements.join(FSep);
}

void TTextFilter::SetPattern(const QString &pattern)
{
    FPattern = pattern;
    FCompiled.reset();
}

void TTextFilter::SetMaskList(const QString &masks)
{
    FMask = masks;
    FElements.clear();
    QString rest = masks;
    FAllElements = rest.startsWith(QLatin1Char('+'));
    if (FAllElements)
        rest.remove(0, 1);
    while (!rest.isEmpty()) {
        QString text = NextElement(rest, FSep);
        if (text.isEmpty())
            continue;
        TElement element;
        element.Negated = text.startsWith(QLatin1Char('!'));
        if (element.Negated)
            text.remove(0, 1);
        element.EndsWithDot = FIsFileFilter && text.endsWith(QLatin1Char('.'));
        element.Mask = TWildcardMask::Compile(text);
        FElements.push_back(std::move(element));
    }
}

const TPcre2Pattern *TTextFilter::CompiledPattern() const
{
    if (!FCompiled)
        FCompiled = std::make_unique<TPcre2Pattern>(FPattern, FIgnoreCase);
    return FCompiled->IsValid() ? FCompiled.get() : nullptr;
}

bool TTextFilter::MatchesFilter(const QString &text) const
{
    if (FMode == fmOff)
        return true;
    const bool matched = FRegExp ? MatchesRegularExpression(text) : MatchesMaskList(text);
    return FMode == fmExclude ? !matched : matched;
}

bool TTextFilter::MatchesRegularExpression(const QString &text) const
{
    if (text.isEmpty())
        return false;
    const TPcre2Pattern *compiled = CompiledPattern();
    // A name that is not valid UTF-16 cannot be searched: it does not match.
    return compiled && compiled->Search(text) > 0;
}

// Any-element mode passes at the first matching element, all-elements mode
// fails at the first failing one; empty elements take no part.
bool TTextFilter::MatchesMaskList(const QString &text) const
{
    for (const TElement &element : FElements) {
        const bool outcome = ElementOutcome(element, text);
        if (outcome != FAllElements)
            return outcome;
    }
    return FAllElements || FElements.empty();
}

bool TTextFilter::ElementOutcome(const TElement &element, const QString &text) const
{
    if (!element.Mask)
        return false;
    const bool matched = (element.EndsWithDot && !HasExtension(text)) ? element.Mask->Matches(text + QLatin1Char('.'))
                                                                      : element.Mask->Matches(text);
    return matched != element.Negated;
}
