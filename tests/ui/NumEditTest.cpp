#include "UiTestSupport.h"

#include "ui/MessageDialog.h"
#include "ui/NumEdit.h"

#include <QClipboard>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QWheelEvent>

class NumEditTest : public QObject
{
    Q_OBJECT
    // A days field as the main window has it, with a second field to move the focus to.
    struct TForm
    {
        QWidget Window;
        TRangeEdit *Days;
        TNumUpDown *UpDown;
        QLineEdit *Other;
        TForm()
        {
            Days = new TRangeEdit(&Window);
            Days->setObjectName(QStringLiteral("reDays"));
            Days->SetMinValue(1);
            Days->SetMaxValue(9999);
            Days->SetValue(1);
            Days->setGeometry(40, 10, 60, 21);
            UpDown = new TNumUpDown(&Window);
            UpDown->setObjectName(QStringLiteral("udDays"));
            UpDown->SetAlignButton(udLeft);
            UpDown->SetAssociate(Days);
            Other = new QLineEdit(&Window);
            Other->setGeometry(10, 50, 100, 21);
            Window.resize(200, 100);
            Window.show();
        }
        void Type(const QString &text)
        {
            Days->setFocus();
            Days->clear();
            QTest::keyClicks(Days, text);
        }
        void Leave()
        {
            Other->setFocus(Qt::TabFocusReason);
            QApplication::processEvents();
        }
    };

private Q_SLOTS:
    void cleanup() { ClearMessageHooks(); }

    void arrowKeysAndTheWheelStepTheFocusedValue()
    {
        TForm form;
        QVERIFY(QTest::qWaitForWindowExposed(&form.Window));
        form.Days->SetValue(5);
        form.Days->setFocus();
        QSignalSpy changed(form.Days, &TNumberEdit::ValueChanged);
        QTest::keyClick(form.Days, Qt::Key_Up);
        QTest::keyClick(form.Days, Qt::Key_Up);
        QTest::keyClick(form.Days, Qt::Key_Down);
        QCOMPARE(form.Days->Value(), 6);
        QVERIFY(changed.count() >= 1);
        // The range holds: no step below the minimum.
        form.Days->SetValue(1);
        QTest::keyClick(form.Days, Qt::Key_Down);
        QCOMPARE(form.Days->Value(), 1);

        const auto wheel = [&form](int delta) {
            QWheelEvent event(QPointF(5, 5), form.Days->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(form.Days, &event);
        };
        form.Days->setFocus();
        if (!form.Days->hasFocus())
            QSKIP("no focus on this platform");
        wheel(240);
        QCOMPARE(form.Days->Value(), 3);
        wheel(-120);
        QCOMPARE(form.Days->Value(), 2);
        // Without the focus the wheel scrolls past.
        form.Other->setFocus();
        wheel(120);
        QCOMPARE(form.Days->Value(), 2);
    }

    void typedNumbersInEveryBase_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("hexadecimal") << "$1F"
                                     << "31";
        QTest::newRow("binary") << "!101"
                                << "5";
        QTest::newRow("octal") << "%17"
                               << "15";
        QTest::newRow("decimal") << "42"
                                 << "42";
        QTest::newRow("letters refused") << "4x2"
                                         << "42";
        QTest::newRow("octal refuses 8") << "%18"
                                         << "1";
    }
    void typedNumbersInEveryBase()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        TForm form;
        QVERIFY(QTest::qWaitForWindowExposed(&form.Window));
        form.Type(typed);
        form.Leave();
        QCOMPARE(form.Days->text(), shown);
        QCOMPARE(form.Days->Value(), shown.toLongLong());
    }

    void parsing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qlonglong>("value");
        QTest::addColumn<bool>("error");
        QTest::newRow("groups of bytes") << "1_2" << 258LL << false;
        QTest::newRow("minus alone") << "-" << 0LL << false;
        QTest::newRow("plus alone") << "+" << 0LL << false;
        QTest::newRow("empty") << "  " << 0LL << false;
        QTest::newRow("blanks inside") << " 1 2 " << 12LL << false;
        QTest::newRow("negative") << "-17" << -17LL << false;
        QTest::newRow("negative hexadecimal group") << "$-1F" << 0LL << true;
        QTest::newRow("hexadecimal 64 bit") << "$FFFFFFFFFFFFFFFF" << -1LL << false;
        QTest::newRow("decimal beyond 32 bit") << "2147483648" << 0LL << true;
        QTest::newRow("lowest 32 bit") << "-2147483648" << -2147483648LL << false;
        // The settings files' integer rule: a hexadecimal bit pattern of 32 bits.
        QTest::newRow("decimal field, hexadecimal text") << "0x10" << 16LL << false;
        QTest::newRow("negated 32-bit pattern") << "-$80000000" << -2147483648LL << false;
        QTest::newRow("failed group counts 0") << "1_x_3" << 65539LL << true;
        QTest::newRow("binary group") << "!1_1" << 257LL << false;
    }
    void parsing()
    {
        QFETCH(QString, text);
        QFETCH(qlonglong, value);
        QFETCH(bool, error);
        bool failed = false;
        QCOMPARE(TNumberEdit::ParseNumber(text, failed), value);
        QCOMPARE(failed, error);
    }

    void pastedTextIsNotFiltered()
    {
        TForm form;
        QVERIFY(QTest::qWaitForWindowExposed(&form.Window));
        form.Days->SetMaxValue(100000);
        QApplication::clipboard()->setText(QStringLiteral("1_2"));
        form.Days->setFocus();
        form.Days->selectAll();
        form.Days->paste();
        form.Leave();
        QCOMPARE(form.Days->Value(), 258);
    }

    void arrowsStopAtTheLimits()
    {
        TForm form;
        QVERIFY(QTest::qWaitForWindowExposed(&form.Window));
        form.Days->SetValue(9999);
        form.UpDown->Up();
        QCOMPARE(form.Days->Value(), 9999);
        form.Days->SetValue(1);
        form.UpDown->Down();
        QCOMPARE(form.Days->Value(), 1);
        form.UpDown->Up();
        QCOMPARE(form.Days->text(), QStringLiteral("2"));
    }

    void arrowsStepFromTheTypedValue()
    {
        TForm form;
        QVERIFY(QTest::qWaitForWindowExposed(&form.Window));
        form.Type(QStringLiteral("20"));
        QTest::mouseClick(form.UpDown, Qt::LeftButton, {}, QPoint(8, 3));
        QCOMPARE(form.Days->Value(), 21);
        QTest::mouseClick(form.UpDown, Qt::LeftButton, {}, QPoint(8, form.UpDown->height() - 3));
        QCOMPARE(form.Days->Value(), 20);
    }

    void upDownSitsBesideItsEdit()
    {
        TForm form;
        QCOMPARE(form.UpDown->geometry(), QRect(24, 10, 16, 21));
        form.UpDown->SetAlignButton(udRight);
        QCOMPARE(form.UpDown->geometry(), QRect(100, 10, 16, 21));
        TNumUpDown second(&form.Window);
        second.setObjectName(QStringLiteral("udOther"));
        QString error;
        QVERIFY(!second.SetAssociate(form.Days, &error));
        QCOMPARE(error, QStringLiteral("reDays is already associated with udDays"));
        QVERIFY(!second.Associate());
    }

    void leavingOutsideTheRangeReportsAndKeepsTheFocus_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("zero") << "0";
        QTest::newRow("too large") << "10000";
    }
    void leavingOutsideTheRangeReportsAndKeepsTheFocus()
    {
        QFETCH(QString, typed);
        TForm form;
        QVERIFY(QTest::qWaitForWindowExposed(&form.Window));
        form.Window.activateWindow();
        QString reported;
        PushMessageHook([&reported](TShowMsgDialog &dialog) {
            reported = dialog.Message();
            return int(mrCancel);
        });
        form.Type(typed);
        form.Leave();
        QTRY_COMPARE(reported, QStringLiteral("Range check error (1 .. 9999)"));
        QVERIFY(form.Days->RangeError());
        QCOMPARE(form.Days->text(), typed);
        QTRY_VERIFY(form.Days->hasFocus());
    }

    void equalLimitsAcceptAnyValue()
    {
        TRangeEdit edit;
        edit.SetMinValue(5);
        edit.SetMaxValue(5);
        edit.SetValue(123456);
        QCOMPARE(edit.Value(), 123456);
        edit.SetMaxValue(100);
        QCOMPARE(edit.Value(), 100);
    }
};

TESSARIL_UI_TEST_MAIN(NumEditTest)
#include "NumEditTest.moc"
