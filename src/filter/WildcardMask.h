#pragma once

#include <QString>
#include <QStringView>

#include <bitset>
#include <optional>
#include <vector>

// A compiled file-name mask: "*" any run, "?" one character, "[...]" a set of
// character codes up to 255 with ranges and "!" negation. Only the letters a to
// z fold case. A UTF-16 surrogate pair counts as one character.
class TWildcardMask
{
public:
    // Empty when the mask is invalid: a set not closed, empty or starting with
    // "-", or more than MaxStars groups of "*".
    static std::optional<TWildcardMask> Compile(QStringView mask);

    bool Matches(QStringView name) const;

    static constexpr int MaxStars = 30;

private:
    enum class TKind : unsigned char
    {
        Literal,
        AnyChar,
        AnyRun,
        Set,
    };
    struct TStep
    {
        TKind Kind;
        bool Negated = false;
        char32_t Literal = 0; // folded
        int SetIndex = -1;
    };

    bool StepAccepts(const TStep &step, char32_t c) const;
    bool MatchesMiddle(QStringView name, std::size_t firstStep, std::size_t endStep) const;

    std::vector<TStep> FSteps;
    // Steps before the first "*" match the start of a name, steps after the
    // last "*" its end; only the part between needs backtracking.
    std::size_t FHeadSteps = 0;
    std::size_t FTailStart = 0;
    bool FHasStar = false;
    std::vector<std::bitset<256>> FSets;
};

// Throws nothing; a convenience for one-off tests of a mask.
// Returns no value when the mask is invalid.
std::optional<bool> MatchesMask(QStringView name, QStringView mask);
