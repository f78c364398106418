// The wildcard matcher against a plain reference: the same mask language,
// matched by the obvious dynamic programme over code points. The matcher
// under test matches head and tail separately and backtracks to the last
// "*" only; both must agree on every mask and name.
//
// Input: the mask, a line break, the name (UTF-8).

#include "filter/WildcardMask.h"

#include <QString>

#include <bitset>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

namespace {

char32_t Fold(char32_t c)
{
    return (c >= U'a' && c <= U'z') ? c - 32 : c;
}

// Code points, a surrogate pair as one, a lone surrogate as itself.
std::vector<char32_t> CodePoints(const QString &text)
{
    std::vector<char32_t> result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            result.push_back(QChar::surrogateToUcs4(c, text[i + 1].unicode()));
            ++i;
        } else {
            result.push_back(c);
        }
    }
    return result;
}

struct TToken
{
    enum
    {
        Star,
        One,
        Char,
        Set
    } Kind;
    char32_t Value = 0;
    bool Negated = false;
    std::bitset<256> Members;
};

// The mask language as documented: "*" (a "?" right after a "*" adds
// nothing), "?", "[...]" with ranges and "!", literals; invalid for an open,
// empty or dash-first set or more than 30 groups of "*".
std::optional<std::vector<TToken>> Parse(const std::vector<char32_t> &mask)
{
    std::vector<TToken> tokens;
    int groups = 0;
    bool afterStar = false;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        const char32_t c = mask[i];
        if (c == U'*' || (c == U'?' && afterStar)) {
            if (c == U'*' && !afterStar) {
                if (++groups > 30)
                    return std::nullopt;
                tokens.push_back({TToken::Star});
            }
            afterStar = true;
            continue;
        }
        afterStar = false;
        if (c == U'?') {
            tokens.push_back({TToken::One});
            continue;
        }
        if (c != U'[') {
            tokens.push_back({TToken::Char, Fold(c)});
            continue;
        }
        TToken set{TToken::Set};
        std::size_t j = i + 1;
        if (j < mask.size() && mask[j] == U'!') {
            set.Negated = true;
            ++j;
        }
        std::vector<char32_t> members;
        bool closed = false;
        for (; j < mask.size(); ++j) {
            if (mask[j] == U']') {
                closed = true;
                break;
            }
            members.push_back(mask[j]);
        }
        if (!closed || members.empty() || members.front() == U'-')
            return std::nullopt;
        // A dash between two members is a range; at the end it is itself.
        for (std::size_t k = 0; k < members.size(); ++k) {
            if (members[k] == U'-' && k + 1 < members.size()) {
                const char32_t low = Fold(members[k - 1]);
                const char32_t high = Fold(members[k + 1]);
                for (char32_t r = low; r <= high && r < 256; ++r)
                    set.Members.set(r);
                ++k;
                continue;
            }
            if (Fold(members[k]) < 256)
                set.Members.set(Fold(members[k]));
        }
        tokens.push_back(set);
        i = j;
    }
    return tokens;
}

bool Accepts(const TToken &token, char32_t c)
{
    const char32_t folded = Fold(c);
    switch (token.Kind) {
    case TToken::One:
        return true;
    case TToken::Char:
        return folded == token.Value;
    case TToken::Set:
        return (folded < 256 && token.Members.test(folded)) != token.Negated;
    case TToken::Star:
        break;
    }
    return false;
}

bool ReferenceMatch(const std::vector<TToken> &tokens, const std::vector<char32_t> &name)
{
    // matches[j]: the tokens from i on match the name from j on.
    std::vector<char> next(name.size() + 1, 0);
    next[name.size()] = 1;
    for (std::size_t i = tokens.size(); i-- > 0;) {
        std::vector<char> current(name.size() + 1, 0);
        for (std::size_t j = name.size() + 1; j-- > 0;) {
            if (tokens[i].Kind == TToken::Star)
                current[j] = next[j] || (j < name.size() && current[j + 1]);
            else
                current[j] = j < name.size() && Accepts(tokens[i], name[j]) && next[j + 1];
        }
        next = std::move(current);
    }
    return next[0] != 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 512)
        return 0;
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype split = input.indexOf(QLatin1Char('\n'));
    const QString mask = split < 0 ? input : input.left(split);
    const QString name = split < 0 ? QString() : input.mid(split + 1);

    const std::optional<TWildcardMask> compiled = TWildcardMask::Compile(mask);
    const std::optional<std::vector<TToken>> reference = Parse(CodePoints(mask));
    if (compiled.has_value() != reference.has_value())
        std::abort();
    if (compiled && compiled->Matches(name) != ReferenceMatch(*reference, CodePoints(name)))
        std::abort();
    return 0;
}
