#include "UiTestSupport.h"

#include "ui/Help.h"
#include "ui/MessageDialog.h"

#include <QShortcut>
#include <QTextBrowser>

class HelpTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        ClearMessageHooks();
        CloseAllHelp();
    }

    void topicOpensInAHelpWindowOfItsOwn()
    {
        QVERIFY(ShowHelp(QStringLiteral("qy-device.html")));
        QCOMPARE(OpenHelpWindows(), 1);
        QWidget *window = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String("HelpWindow") && top->isVisible())
                window = top;
        QVERIFY(window);
        QVERIFY(!window->parentWidget());
        auto *browser = window->findChild<QTextBrowser *>();
        QVERIFY(browser->toPlainText().contains(QStringLiteral("Backup files from a portable device")));
        // A second topic reuses the window.
        QVERIFY(ShowHelp(QStringLiteral("qy-device.html#tasks")));
        QCOMPARE(OpenHelpWindows(), 1);
        CloseAllHelp();
        QCOMPARE(OpenHelpWindows(), 0);
    }

    void escapeAndCtrlWCloseTheHelpWindow()
    {
        for (const QKeySequence &keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
            QVERIFY(ShowHelp(QStringLiteral("qy-device.html")));
            QWidget *window = nullptr;
            for (QWidget *top : QApplication::topLevelWidgets())
                if (top->objectName() == QLatin1String("HelpWindow") && top->isVisible())
                    window = top;
            QVERIFY(window);
            window->activateWindow();
            if (QTest::qWaitForWindowActive(window)) {
                QTest::keySequence(window, keys);
            } else {
                // Without window activation (offscreen) the shortcut is triggered directly.
                QShortcut *found = nullptr;
                for (QShortcut *shortcut : window->findChildren<QShortcut *>())
                    if (shortcut->key() == keys)
                        found = shortcut;
                QVERIFY2(found, qPrintable(keys.toString()));
                Q_EMIT found->activated();
            }
            const QPointer<QWidget> closed(window);
            QTRY_VERIFY(!closed);
            QCOMPARE(OpenHelpWindows(), 0);
        }
    }

    void germanPageForGermanAndEnglishForLanguagesWithoutOne()
    {
        QCOMPARE(HelpPageFor(QStringLiteral("qy-device.html"), QStringLiteral("de")),
                 QStringLiteral("qy-device.de.html"));
        QCOMPARE(HelpPageFor(QStringLiteral("qy-device.html"), QStringLiteral("fr")), QStringLiteral("qy-device.html"));
        QCOMPARE(HelpPageFor(QStringLiteral("qy-device.html"), QString()), QStringLiteral("qy-device.html"));
        SetHelpLanguage(QStringLiteral("de"));
        QVERIFY(ShowHelp(QStringLiteral("qy-device.html#tasks")));
        SetHelpLanguage(QString());
        QTextBrowser *browser = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String("HelpWindow") && top->isVisible())
                browser = top->findChild<QTextBrowser *>();
        QVERIFY(browser);
        QVERIFY(browser->toPlainText().contains(QStringLiteral("Dateien von einem tragbaren Gerät sichern")));
        QCOMPARE(browser->source().fileName(), QStringLiteral("qy-device.de.html"));
    }

    void missingTopicIsReported()
    {
        QString message;
        PushMessageHook([&message](TShowMsgDialog &dialog) {
            message = dialog.Message();
            return int(mrCancel);
        });
        QVERIFY(!ShowHelp(QStringLiteral("nothing-here.html")));
        QCOMPARE(message, QStringLiteral("Help is not available on this system!"));
    }

    void versionTextWithoutFamilyProgramHasNameAndNotice()
    {
        const QString text = VersionText(QString(), QStringLiteral("09.12.2026"), 3);
        const QStringList lines = text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith(QStringLiteral("Tessaril - ")));
        QVERIFY(lines[0].endsWith(QStringLiteral(") - 09.12.2026")));
    }
};

TESSARIL_UI_TEST_MAIN(HelpTest)
#include "HelpTest.moc"
