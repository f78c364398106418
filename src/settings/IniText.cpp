#include "settings/IniText.h"

namespace {

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence at data[0], or 0 when it is not one.
int ValidSequenceLength(const unsigned char *data, qsizetype left)
{
    const unsigned char lead = data[0];
    int length = 0;
    unsigned char secondMin = 0x80;
    unsigned char secondMax = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            secondMin = 0xA0; // no overlong forms
        if (lead == 0xED)
            secondMax = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            secondMin = 0x90;
        if (lead == 0xF4)
            secondMax = 0x8F; // nothing beyond U+10FFFF
    } else {
        return 0;
    }
    if (left < length || data[1] < secondMin || data[1] > secondMax)
        return 0;
    for (int i = 2; i < length; ++i)
        if (!IsContinuation(data[i]))
            return 0;
    return length;
}

char32_t DecodeSequence(const unsigned char *data, int length)
{
    char32_t code = data[0] & (0x7F >> length);
    for (int i = 1; i < length; ++i)
        code = (code << 6) | (data[i] & 0x3F);
    return code;
}

QString DecodeUtf16(const QByteArray &bytes, qsizetype start, bool bigEndian)
{
    QString text;
    const qsizetype units = (bytes.size() - start) / 2;
    text.resize(units);
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData() + start);
    for (qsizetype i = 0; i < units; ++i) {
        const unsigned char first = data[2 * i];
        const unsigned char second = data[2 * i + 1];
        text[i] = QChar(bigEndian ? char16_t((first << 8) | second) : char16_t((second << 8) | first));
    }
    return text;
}

QByteArray EncodeUtf16(const QString &text, bool bigEndian)
{
    QByteArray bytes;
    bytes.reserve(2 + text.size() * 2);
    bytes.append(bigEndian ? "\xFE\xFF" : "\xFF\xFE", 2);
    for (QChar c : text) {
        const char high = static_cast<char>(c.unicode() >> 8);
        const char low = static_cast<char>(c.unicode() & 0xFF);
        bytes.append(bigEndian ? high : low);
        bytes.append(bigEndian ? low : high);
    }
    return bytes;
}

} // namespace

QString DecodeUtf8OrLatin1(const char *data, qsizetype size)
{
    QString text;
    text.reserve(size);
    const auto *bytes = reinterpret_cast<const unsigned char *>(data);
    qsizetype i = 0;
    while (i < size) {
        if (bytes[i] < 0x80) {
            text += QChar(bytes[i++]);
            continue;
        }
        const int length = ValidSequenceLength(bytes + i, size - i);
        if (length == 0) {
            text += QChar(bytes[i++]);
            continue;
        }
        const char32_t code = DecodeSequence(bytes + i, length);
        text += QString::fromUcs4(&code, 1);
        i += length;
    }
    return text;
}

QString DecodeIniBytes(const QByteArray &bytes, TIniEncoding &encoding)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        encoding = TIniEncoding::ieUtf8;
        return DecodeUtf8OrLatin1(bytes.constData() + 3, bytes.size() - 3);
    }
    if (bytes.startsWith("\xFF\xFE")) {
        encoding = TIniEncoding::ieUtf16LE;
        return DecodeUtf16(bytes, 2, false);
    }
    if (bytes.startsWith("\xFE\xFF")) {
        encoding = TIniEncoding::ieUtf16BE;
        return DecodeUtf16(bytes, 2, true);
    }
    encoding = TIniEncoding::ieAnsi;
    return DecodeUtf8OrLatin1(bytes.constData(), bytes.size());
}

QByteArray EncodeIniText(const QString &text, TIniEncoding encoding)
{
    switch (encoding) {
    case TIniEncoding::ieUtf16LE:
        return EncodeUtf16(text, false);
    case TIniEncoding::ieUtf16BE:
        return EncodeUtf16(text, true);
    case TIniEncoding::ieUtf8:
        return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
    case TIniEncoding::ieAnsi:
    case TIniEncoding::ieUnset:
        break;
    }
    return text.toUtf8();
}
