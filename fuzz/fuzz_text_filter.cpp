// The file-name filter on any filter text and names: setting it either works
// or raises EFilterError and leaves the match-all text; matching never fails.
//
// Input: one flag byte (bit 0 regular, bits 1-2 mode, bit 3 separator ";"),
// then the filter text, then names, each ended by a line break.

#include "filter/TextFilter.h"

#include <QStringList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t flags = data[0];
    const QStringList parts =
        QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1)).split(QLatin1Char('\n'));

    TTextFilter filter(true, true);
    filter.SetRegular((flags & 1) != 0);
    filter.SetMode(FilterModeFromStored((flags >> 1) & 3));
    if ((flags & 8) != 0)
        filter.SetSeparator(QLatin1Char(';'));
    try {
        filter.SetFilter(parts.value(0));
    } catch (const EFilterError &) {
        if (filter.Filter() != filter.MatchAll())
            std::abort();
    }
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const bool passes = filter.MatchesFilter(parts[i]);
        if (filter.Mode() == fmOff && !passes)
            std::abort();
    }
    return 0;
}
