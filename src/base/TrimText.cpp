#include "base/TrimText.h"

#include <algorithm>

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

QString VisibleLineText(const QString &text)
{
    // Nearly every line is printable ASCII: it goes on as it is, without a copy.
    const auto replaced = [](QChar ch) {
        const char16_t code = ch.unicode();
        return (code < 0x20 || code >= 0x7F) && ch.category() == QChar::Other_Control;
    };
    const qsizetype first = std::find_if(text.cbegin(), text.cend(), replaced) - text.cbegin();
    if (first == text.size())
        return text;
    QString shown = text;
    for (qsizetype i = first; i < shown.size(); ++i) {
        QChar &ch = shown[i];
        if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n'))
            ch = QLatin1Char(' ');
        else if (ch.category() == QChar::Other_Control)
            ch = QLatin1Char('?');
    }
    return shown;
}
