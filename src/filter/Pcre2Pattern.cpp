#include "filter/Pcre2Pattern.h"

#include <pcre2.h>

namespace {

struct TCompileContextDeleter
{
    void operator()(pcre2_compile_context_16 *context) const { pcre2_compile_context_free_16(context); }
};

QString Pcre2ErrorText(int code)
{
    PCRE2_UCHAR16 buffer[256];
    const int length = pcre2_get_error_message_16(code, buffer, sizeof buffer / sizeof buffer[0]);
    if (length < 0)
        return QStringLiteral("PCRE2 error %1").arg(code);
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer), length);
}

} // namespace

void TPcre2Pattern::TCodeDeleter::operator()(pcre2_real_code_16 *code) const
{
    pcre2_code_free_16(code);
}

void TPcre2Pattern::TMatchDataDeleter::operator()(pcre2_real_match_data_16 *data) const
{
    pcre2_match_data_free_16(data);
}

TPcre2Pattern::TPcre2Pattern(const QString &pattern, bool ignoreCase)
{
    std::unique_ptr<pcre2_compile_context_16, TCompileContextDeleter> context(pcre2_compile_context_create_16(nullptr));
    if (!context) {
        FErrorText = QStringLiteral("Out of memory");
        return;
    }
    pcre2_set_newline_16(context.get(), PCRE2_NEWLINE_ANY);

    std::uint32_t options = PCRE2_UTF;
    if (ignoreCase)
        options |= PCRE2_CASELESS;
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    FCode.reset(pcre2_compile_16(reinterpret_cast<PCRE2_SPTR16>(pattern.utf16()),
                                 static_cast<PCRE2_SIZE>(pattern.size()), options, &errorCode, &errorOffset,
                                 context.get()));
    if (!FCode) {
        FErrorText = Pcre2ErrorText(errorCode);
        return;
    }
    FMatchData.reset(pcre2_match_data_create_from_pattern_16(FCode.get(), nullptr));
    if (!FMatchData) {
        FCode.reset();
        FErrorText = QStringLiteral("Out of memory");
    }
}

TPcre2Pattern::~TPcre2Pattern() = default;

int TPcre2Pattern::Search(QStringView subject) const
{
    if (!FCode)
        return PCRE2_ERROR_NULL;
    // JIT is only a speed-up, and compiling costs more than a few hundred
    // searches: a pattern that is used a few times (or where JIT is not
    // available) is interpreted.
    if (!FJitTried && ++FSearches >= SearchesBeforeJit) {
        pcre2_jit_compile_16(FCode.get(), PCRE2_JIT_COMPLETE);
        FJitTried = true;
    }
    static const char16_t empty[] = u"";
    const char16_t *text = subject.utf16() ? subject.utf16() : empty;
    // The subject is checked for valid UTF-16: names come from devices.
    const int rc = pcre2_match_16(FCode.get(), reinterpret_cast<PCRE2_SPTR16>(text),
                                  static_cast<PCRE2_SIZE>(subject.size()), 0, 0, FMatchData.get(), nullptr);
    if (rc == PCRE2_ERROR_NOMATCH)
        return 0;
    return rc < 0 ? rc : 1;
}
