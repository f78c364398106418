#include "env/CommaText.h"

namespace {

constexpr char16_t Quote = u'"';
constexpr char16_t Delimiter = u',';

bool NeedsQuotes(const QString &entry)
{
    for (QChar c : entry)
        if (c.unicode() <= 0x20 || c == QChar(Quote) || c == QChar(Delimiter))
            return true;
    return false;
}

QString Quoted(const QString &entry)
{
    QString text = entry;
    text.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return QChar(Quote) + text + QChar(Quote);
}

// Blanks and control characters, but not the end of the text.
bool IsSkippable(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 0x20;
}

} // namespace

QString ToCommaText(const QStringList &list)
{
    if (list.size() == 1 && list.first().isEmpty())
        return QStringLiteral("\"\"");
    QStringList entries;
    entries.reserve(list.size());
    for (const QString &entry : list)
        entries.append(NeedsQuotes(entry) ? Quoted(entry) : entry);
    return entries.join(QChar(Delimiter));
}

QStringList FromCommaText(const QString &input)
{
    // A NUL ends the text, as it would end a C string.
    const qsizetype nul = input.indexOf(QChar(u'\0'));
    const QString text = nul < 0 ? input : input.left(nul);
    const qsizetype n = text.size();
    QStringList list;
    qsizetype pos = 0;
    auto skipBlanks = [&] {
        while (pos < n && IsSkippable(text[pos]))
            ++pos;
    };
    skipBlanks();
    while (pos < n) {
        QString entry;
        if (text[pos] == QChar(Quote)) {
            ++pos;
            while (pos < n) {
                if (text[pos] == QChar(Quote)) {
                    ++pos;
                    if (pos >= n || text[pos] != QChar(Quote))
                        break; // the closing quote
                }
                entry += text[pos++];
            }
        } else {
            const qsizetype start = pos;
            while (pos < n && text[pos].unicode() > 0x20 && text[pos] != QChar(Delimiter))
                ++pos;
            entry = text.mid(start, pos - start);
        }
        list.append(entry);
        skipBlanks();
        if (pos < n && text[pos] == QChar(Delimiter)) {
            if (pos + 1 >= n)
                list.append(QString());
            ++pos;
            skipBlanks();
        }
    }
    return list;
}
