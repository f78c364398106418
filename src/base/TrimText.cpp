#include "base/TrimText.h"

QStringView TrimControls(QStringView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start].unicode() <= 0x20)
        ++start;
    while (end > start && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(start, end - start);
}
