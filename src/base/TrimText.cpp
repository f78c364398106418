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

QString VisibleLineText(const QString &text)
{
    QString shown = text;
    for (QChar &ch : shown) {
        if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n'))
            ch = QLatin1Char(' ');
        else if (ch.category() == QChar::Other_Control)
            ch = QLatin1Char('?');
    }
    return shown;
}
