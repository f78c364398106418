#include "UiTestSupport.h"

#include "ui/MessageDialog.h"
#include "ui/OxButton.h"
#include "ui/StartUp.h"
#include "ui/UiText.h"

#include <QTranslator>

class TranslationTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void englishIsTheSource() { QCOMPARE(PrgText::tr("&Start backup"), QStringLiteral("&Start backup")); }

    void germanTextsInEveryDomain()
    {
        InstallTranslators(*qApp, QStringLiteral("de"));
        QCOMPARE(PrgText::tr("&Start backup"), QStringLiteral("&Sicherung starten"));
        QCOMPARE(LibText::tr("Range check error"), QStringLiteral("Bereichsfehler"));
        QStringList captions;
        PushMessageHook([&captions](TShowMsgDialog &dialog) {
            captions << dialog.Title() << dialog.MiddleButton()->text() << dialog.RightButton()->text();
            return int(mrCancel);
        });
        ConfirmDialog(QPoint(-1, -1), QStringLiteral("?"), mbYes);
        QCOMPARE(captions, (QStringList{"Bestätigen", "&Ja", "&Nein"}));
        // The dialogs' own texts, the placeholder picker's in the program's domain.
        QCOMPARE(DlgText::tr("Error deleting directory:\r\n%1!"),
                 QStringLiteral("Fehler beim Löschen des Verzeichnisses:\r\n%1!"));
        QCOMPARE(DlgText::tr("All &matching"), QStringLiteral("Alle &passenden"));
        QCOMPARE(PrgText::tr("Name of month (e.g. January)"), QStringLiteral("Name des Monats (z. B. Januar)"));
    }

    void unknownLanguageKeepsEnglish()
    {
        for (QTranslator *translator : qApp->findChildren<QTranslator *>())
            QCoreApplication::removeTranslator(translator);
        InstallTranslators(*qApp, QStringLiteral("xx"));
        QCOMPARE(DlgText::tr("&Close"), QStringLiteral("&Close"));
    }
};

TESSARIL_UI_TEST_MAIN(TranslationTest)
#include "TranslationTest.moc"
