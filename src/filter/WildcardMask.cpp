#include "filter/WildcardMask.h"

namespace {

// Only a to z fold: other letters compare exactly, whatever the locale.
char32_t FoldCase(char32_t c)
{
    return (c >= U'a' && c <= U'z') ? c - (U'a' - U'A') : c;
}

// Decodes code points, taking a surrogate pair as one character and a lone
// surrogate as a character of its own.
class TCodePointReader
{
public:
    explicit TCodePointReader(QStringView text) : FText(text) {}

    bool AtEnd() const { return FPos >= FText.size(); }
    qsizetype Position() const { return FPos; }
    void Seek(qsizetype pos) { FPos = pos; }

    char32_t Peek() const
    {
        const char16_t high = FText[FPos].unicode();
        if (QChar::isHighSurrogate(high) && FPos + 1 < FText.size() && QChar::isLowSurrogate(FText[FPos + 1].unicode()))
            return QChar::surrogateToUcs4(high, FText[FPos + 1].unicode());
        return high;
    }

    char32_t Next()
    {
        const char32_t c = Peek();
        FPos += c > 0xFFFF ? 2 : 1;
        return c;
    }

private:
    QStringView FText;
    qsizetype FPos = 0;
};

} // namespace

std::optional<TWildcardMask> TWildcardMask::Compile(QStringView mask)
{
    TWildcardMask result;
    TCodePointReader reader(mask);
    int stars = 0;
    bool afterStar = false;
    while (!reader.AtEnd()) {
        const char32_t c = reader.Next();
        if (c == U'*') {
            if (!afterStar) {
                if (++stars > MaxStars)
                    return std::nullopt;
                result.FSteps.push_back({TKind::AnyRun});
                afterStar = true;
            }
            continue;
        }
        if (c == U'?') {
            // "*?" is the same as "*".
            if (!afterStar)
                result.FSteps.push_back({TKind::AnyChar});
            continue;
        }
        afterStar = false;
        if (c != U'[') {
            result.FSteps.push_back({TKind::Literal, false, FoldCase(c)});
            continue;
        }

        TStep step{TKind::Set};
        if (!reader.AtEnd() && reader.Peek() == U'!') {
            step.Negated = true;
            reader.Next();
        }
        std::bitset<256> members;
        bool listed = false;
        bool closed = false;
        char32_t last = 0;
        bool haveLast = false;
        while (!reader.AtEnd()) {
            const char32_t m = reader.Next();
            if (m == U']') {
                closed = true;
                break;
            }
            if (m == U'-' && !reader.AtEnd() && reader.Peek() != U']') {
                if (!haveLast)
                    return std::nullopt; // a set may not begin with a range dash
                const char32_t upper = FoldCase(reader.Next());
                for (char32_t r = last; r <= upper && r < 256; ++r)
                    members.set(r);
                last = upper;
                listed = true;
                continue;
            }
            if (m == U'-' && !haveLast)
                return std::nullopt;
            last = FoldCase(m);
            haveLast = true;
            listed = true;
            if (last < 256)
                members.set(last);
        }
        if (!closed || !listed)
            return std::nullopt;
        step.SetIndex = static_cast<int>(result.FSets.size());
        result.FSets.push_back(members);
        result.FSteps.push_back(step);
    }
    result.FHeadSteps = result.FSteps.size();
    result.FTailStart = result.FSteps.size();
    for (std::size_t i = 0; i < result.FSteps.size(); ++i) {
        if (result.FSteps[i].Kind != TKind::AnyRun)
            continue;
        if (!result.FHasStar)
            result.FHeadSteps = i;
        result.FHasStar = true;
        result.FTailStart = i + 1;
    }
    return result;
}

bool TWildcardMask::StepAccepts(const TStep &step, char32_t c) const
{
    switch (step.Kind) {
    case TKind::Literal:
        return FoldCase(c) == step.Literal;
    case TKind::AnyChar:
        return true;
    case TKind::Set: {
        const char32_t folded = FoldCase(c);
        const bool inSet = folded < 256 && FSets[static_cast<std::size_t>(step.SetIndex)].test(folded);
        return inSet != step.Negated;
    }
    case TKind::AnyRun:
        break;
    }
    return false;
}

// The character that ends just before `pos`, stepping back over a surrogate pair as one.
static char32_t PreviousCodePoint(QStringView text, qsizetype &pos)
{
    const char16_t low = text[pos - 1].unicode();
    if (QChar::isLowSurrogate(low) && pos >= 2 && QChar::isHighSurrogate(text[pos - 2].unicode())) {
        pos -= 2;
        return QChar::surrogateToUcs4(text[pos].unicode(), low);
    }
    --pos;
    return low;
}

bool TWildcardMask::Matches(QStringView name) const
{
    TCodePointReader reader(name);
    for (std::size_t step = 0; step < FHeadSteps; ++step) {
        if (reader.AtEnd() || !StepAccepts(FSteps[step], reader.Next()))
            return false;
    }
    if (!FHasStar)
        return reader.AtEnd();

    qsizetype end = name.size();
    for (std::size_t step = FSteps.size(); step > FTailStart; --step) {
        if (end <= reader.Position() || !StepAccepts(FSteps[step - 1], PreviousCodePoint(name, end)))
            return false;
    }
    return MatchesMiddle(name.sliced(reader.Position(), end - reader.Position()), FHeadSteps, FTailStart);
}

// Iterative matching with backtracking to the last "*" only: every other step
// consumes exactly one character, so this finds a match whenever one exists,
// in O(name x mask) time at worst.
bool TWildcardMask::MatchesMiddle(QStringView name, std::size_t firstStep, std::size_t endStep) const
{
    TCodePointReader reader(name);
    std::size_t step = firstStep;
    std::size_t starStep = firstStep;
    qsizetype starResume = -1;
    while (!reader.AtEnd()) {
        if (step < endStep && FSteps[step].Kind == TKind::AnyRun) {
            starStep = ++step;
            starResume = reader.Position();
            continue;
        }
        if (step < endStep && StepAccepts(FSteps[step], reader.Next())) {
            ++step;
            continue;
        }
        if (starResume < 0)
            return false;
        // Let the last "*" swallow one more character and retry after it.
        reader.Seek(starResume);
        reader.Next();
        starResume = reader.Position();
        step = starStep;
    }
    while (step < endStep && FSteps[step].Kind == TKind::AnyRun)
        ++step;
    return step == endStep;
}

std::optional<bool> MatchesMask(QStringView name, QStringView mask)
{
    const std::optional<TWildcardMask> compiled = TWildcardMask::Compile(mask);
    if (!compiled)
        return std::nullopt;
    return compiled->Matches(name);
}
