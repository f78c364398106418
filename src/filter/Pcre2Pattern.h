#pragma once

#include <QString>

#include <memory>

struct pcre2_real_code_16;
struct pcre2_real_match_data_16;

// One compiled PCRE2 pattern over UTF-16 text (UTF mode, every Unicode line
// break ends a line), with the match data it needs; compiled once and reused.
class TPcre2Pattern
{
public:
    // Throws nothing: an invalid pattern leaves IsValid() false and the
    // compiler's message in ErrorText().
    TPcre2Pattern(const QString &pattern, bool ignoreCase);
    ~TPcre2Pattern();
    TPcre2Pattern(const TPcre2Pattern &) = delete;
    TPcre2Pattern &operator=(const TPcre2Pattern &) = delete;

    bool IsValid() const { return FCode != nullptr; }
    const QString &ErrorText() const { return FErrorText; }

    // 1 when the pattern is found anywhere in the subject, 0 when not,
    // negative (a PCRE2 error code) when matching failed, for example on text
    // that is not valid UTF-16.
    int Search(QStringView subject) const;

private:
    struct TCodeDeleter
    {
        void operator()(pcre2_real_code_16 *code) const;
    };
    struct TMatchDataDeleter
    {
        void operator()(pcre2_real_match_data_16 *data) const;
    };

    std::unique_ptr<pcre2_real_code_16, TCodeDeleter> FCode;
    std::unique_ptr<pcre2_real_match_data_16, TMatchDataDeleter> FMatchData;
    QString FErrorText;
    static constexpr int SearchesBeforeJit = 64;
    mutable int FSearches = 0;
    mutable bool FJitTried = false;
};
