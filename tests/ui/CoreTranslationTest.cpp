#include "UiTestSupport.h"

#include "app/LogMessages.h"
#include "base/ErrorText.h"
#include "device/DeviceError.h"
#include "filter/TextFilter.h"
#include "ui/StartUp.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {

struct TsMessage
{
    QString Context;
    QString Source;
    QString Translation;
    QString TranslationType;
};

// The text of a <source> or <translation>; lupdate writes control characters
// such as a carriage return as <byte value="xd"/>.
QString ReadTsText(QXmlStreamReader &xml)
{
    QString text;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isCharacters())
            text += xml.text();
        else if (xml.isStartElement() && xml.name() == QLatin1String("byte"))
            text += QChar(xml.attributes().value(QLatin1String("value")).toString().toUShort(nullptr, 16));
        else if (xml.isEndElement() && xml.name() != QLatin1String("byte"))
            break;
    }
    return text;
}

QList<TsMessage> ReadTsFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&file);
    QList<TsMessage> messages;
    QString context;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            messages.append({context, {}, {}, {}});
        } else if (xml.name() == QLatin1String("source")) {
            messages.last().Source = ReadTsText(xml);
        } else if (xml.name() == QLatin1String("translation")) {
            messages.last().TranslationType = xml.attributes().value(QLatin1String("type")).toString();
            messages.last().Translation = ReadTsText(xml);
        }
    }
    if (xml.hasError())
        qWarning() << fileName << xml.errorString();
    return messages;
}

// What a translation must keep of its source: the format placeholders in
// order (%s, %d, %.0n, %.8x, %1:s, %%, %1), the accelerator marks, the line
// breaks and the blanks at either end.
QStringList FormatParts(const QString &text)
{
    static const QRegularExpression placeholder(QStringLiteral(R"(%(?:\d+:)?-?\d*(?:\.\d+)?[a-zA-Z%]|%\d+)"));
    QStringList parts;
    for (const QRegularExpressionMatch &match : placeholder.globalMatch(text))
        parts << match.captured();
    parts << QString::number(text.count(QLatin1Char('&'))) + QStringLiteral("&");
    parts << QString::number(text.count(QLatin1Char('\r'))) + QStringLiteral("CR");
    parts << QString::number(text.count(QLatin1Char('\n'))) + QStringLiteral("LF");
    static const QRegularExpression leading(QStringLiteral(R"(^\s*)"));
    static const QRegularExpression trailing(QStringLiteral(R"(\s*$)"));
    parts << QLatin1Char('[') + leading.match(text).captured() + QLatin1Char('|') + trailing.match(text).captured() +
                 QLatin1Char(']');
    return parts;
}

QStringList TsFiles()
{
    QStringList files;
    const QString folder = QStringLiteral(TESSARIL_SOURCE_DIR "/translations/");
    for (const QString &name : QDir(folder).entryList({QStringLiteral("*.ts")}, QDir::Files))
        files << folder + name;
    return files;
}

} // namespace

class CoreTranslationTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { InstallTranslators(*qApp, QStringLiteral("de")); }

    void logMessagesComeOutGerman()
    {
        QCOMPARE(LoadingDeviceListText(), QStringLiteral("Geräteliste wird geladen"));
        QCOMPARE(FilesCopiedText(3), QStringLiteral("3 Dateien kopiert"));
        QCOMPARE(ObjectErrorText(QStringLiteral("o7"), QStringLiteral("DCIM"), 0x80004004u),
                 QStringLiteral("Objekt \"o7\" (DCIM): Vorgang abgebrochen (0x80004004)"));
    }

    void errorTextsComeOutGerman()
    {
        QCOMPARE(ErrorCodeText(0x80990001u), QStringLiteral("Fehlercode = 0x80990001"));
        QCOMPARE(DeviceCallMessage(static_cast<HRESULT>(0x80004005u), QStringLiteral("GetDevices")),
                 QStringLiteral("Fehler beim Aufruf: GetDevices : Nicht näher bezeichneter Fehler (0x80004005)"));
        QCOMPARE(DeviceCallMessage(static_cast<HRESULT>(0x80990001u), QStringLiteral("Open")),
                 QStringLiteral("Fehler beim Aufruf: Open : <Unbekannter Fehlercode>"));
        TTextFilter filter;
        filter.SetRegular(true);
        try {
            filter.SetFilter(QStringLiteral("(unclosed"));
            QFAIL("an invalid regular expression was accepted");
        } catch (const EFilterError &error) {
            QCOMPARE(error.Message(), QStringLiteral("Ungültiger regulärer Ausdruck!"));
        }
    }

    void everyMessageIsFinishedAndKeepsItsFormat()
    {
        const QStringList files = TsFiles();
        QVERIFY(!files.isEmpty());
        for (const QString &fileName : files) {
            const QList<TsMessage> messages = ReadTsFile(fileName);
            QVERIFY2(!messages.isEmpty(), qPrintable(fileName));
            for (const TsMessage &message : messages) {
                const QString where =
                    fileName + QLatin1Char(' ') + message.Context + QStringLiteral(": ") + message.Source;
                QVERIFY2(message.TranslationType.isEmpty(),
                         qPrintable(where + QStringLiteral(" is ") + message.TranslationType));
                QVERIFY2(!message.Translation.isEmpty(), qPrintable(where));
                QVERIFY2(FormatParts(message.Translation) == FormatParts(message.Source),
                         qPrintable(where + QStringLiteral(" -> ") + message.Translation));
            }
        }
    }

    void formatCheckSeesWhatATranslationLost()
    {
        QVERIFY(FormatParts(QStringLiteral("%u Dateien")) != FormatParts(QStringLiteral("%d files")));
        QVERIFY(FormatParts(QStringLiteral("Start:")) != FormatParts(QStringLiteral("Start: ")));
        QVERIFY(FormatParts(QStringLiteral("Ja")) != FormatParts(QStringLiteral("&Yes")));
        QVERIFY(FormatParts(QStringLiteral("%1:s %%")) != FormatParts(QStringLiteral("%1:s %")));
        QCOMPARE(FormatParts(QStringLiteral("%.0n Bytes, %1:s")), FormatParts(QStringLiteral("%.0n bytes, %1:s")));
    }
};

TESSARIL_UI_TEST_MAIN(CoreTranslationTest)
#include "CoreTranslationTest.moc"
