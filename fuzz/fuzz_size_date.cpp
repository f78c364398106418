// The size and date texts a user types or a settings file holds: reading any
// text must not fail loudly, and a value that was read reads back the same
// from its own text.

#include "env/LocaleText.h"
#include "env/SizeText.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    std::int64_t bytes = 0;
    if (ParseSize(text, bytes) && bytes >= 0) {
        std::int64_t again = -1;
        if (!ParseSize(FormatSize(bytes), again) || again < 0)
            std::abort();
    }
    CompareSizeTexts(text, QStringLiteral("1 KiB"));

    QDate date;
    if (ParseDateText(text, date)) {
        QDate again;
        if (!date.isValid() || !ParseDateText(DateText(date), again) || again != date)
            std::abort();
    }
    QTime time;
    if (ParseTimeText(text, time)) {
        QTime again;
        if (!time.isValid() || !ParseTimeText(TimeText(time), again) || again != time)
            std::abort();
    }
    QDateTime dateTime;
    ParseDateTimeText(text, dateTime);
    CompareDateTexts(text, QStringLiteral("2026-01-01"));
    return 0;
}
