#include "UiTestSupport.h"

#include "ui/Appearance.h"
#include "ui/DialogPlace.h"
#include "ui/MessageDialog.h"
#include "ui/OxButton.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace {

// Sends a key to the modal message once it is shown.
void PressWhenShown(Qt::Key key)
{
    QTimer::singleShot(50, [key] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        QWidget *target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
        QTest::keyClick(target, key);
    });
}

struct TShown
{
    QString Title;
    QString Message;
    QString Icon;
    QStringList Buttons; // captions of the visible buttons, left to right
    QStringList Results;
    QString Default;
    int Delay = 0;
    int TextHeight = 0;
};

TShown Capture(TShowMsgDialog &dialog)
{
    TShown shown;
    shown.Title = dialog.Title();
    shown.Message = dialog.Message();
    shown.Icon = dialog.IconName();
    for (TOxButton *button : {dialog.LeftButton(), dialog.MiddleButton(), dialog.RightButton()}) {
        if (button->isHidden())
            continue;
        shown.Buttons << button->text();
        shown.Results << QString::number(button->ModalResult);
    }
    if (dialog.DefaultButtonWidget())
        shown.Default = dialog.DefaultButtonWidget()->text();
    shown.Delay = dialog.RunTimer() ? dialog.CloseDelayMs() : 0;
    shown.TextHeight = dialog.TextHeight();
    return shown;
}

// Runs one message through the hook and returns what it showed.
template <typename F> TShown Show(F &&call, int answer = mrCancel)
{
    TShown shown;
    PushMessageHook([&shown, answer](TShowMsgDialog &dialog) {
        shown = Capture(dialog);
        return answer;
    });
    call();
    return shown;
}

} // namespace

class MessageDialogTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { ClearMessageHooks(); }

    void errorDialogSplitsTitleAtBar()
    {
        int result = -1;
        const TShown shown = Show([&] { result = ErrorDialog(QStringLiteral("Backup|Disk full")); });
        QCOMPARE(shown.Title, QStringLiteral("Backup"));
        QCOMPARE(shown.Message, QStringLiteral("Disk full"));
        QCOMPARE(shown.Icon, QStringLiteral("error"));
        QCOMPARE(shown.Buttons, QStringList{QStringLiteral("&Close")});
        QCOMPARE(shown.Results, QStringList{QString::number(mrCancel)});
        QCOMPARE(result, int(mrCancel));
    }

    void defaultTitlesFollowTheIcon_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("title");
        QTest::newRow("information") << int(mdtInformation) << QStringLiteral("Information");
        QTest::newRow("warning") << int(mdtWarning) << QStringLiteral("Warning");
        QTest::newRow("error") << int(mdtError) << QStringLiteral("Error");
        QTest::newRow("confirm") << int(mdtConfirm) << QStringLiteral("Confirm");
        QTest::newRow("retry") << int(mdtConfirmRetry) << QStringLiteral("Error");
        QTest::newRow("custom") << int(mdtCustom) << QString();
    }
    void defaultTitlesFollowTheIcon()
    {
        QFETCH(int, type);
        QFETCH(QString, title);
        const TShown shown = Show([&] { MessageDialog(QStringLiteral("Disk full"), TMsgDialogType(type)); });
        QCOMPARE(shown.Title, title);
    }

    void buttonsByType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("defaultButton");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QStringList>("results");
        QTest::addColumn<QString>("defaultCaption");
        QTest::addColumn<QString>("icon");
        const auto n = [](std::initializer_list<int> values) {
            QStringList list;
            for (int v : values)
                list << QString::number(v);
            return list;
        };
        QTest::newRow("information") << int(mdtInformation) << int(mbYes) << QStringList{"&Close"} << n({mrCancel})
                                     << "&Close"
                                     << "info-blue";
        QTest::newRow("warning") << int(mdtWarning) << int(mbYes) << QStringList{"&Close"} << n({mrCancel}) << "&Close"
                                 << "warning";
        QTest::newRow("confirm yes") << int(mdtConfirm) << int(mbYes) << QStringList{"&Yes", "&No"} << n({mrYes, mrNo})
                                     << "&Yes"
                                     << "query-green";
        QTest::newRow("confirm no") << int(mdtConfirm) << int(mbNo) << QStringList{"&Yes", "&No"} << n({mrYes, mrNo})
                                    << "&No"
                                    << "query-green";
        QTest::newRow("confirm error") << int(mdtConfirmError) << int(mbYes) << QStringList{"&Yes", "Cancel"}
                                       << n({mrOk, mrCancel}) << "&Yes"
                                       << "error";
        QTest::newRow("confirm retry") << int(mdtConfirmRetry) << int(mbRetry) << QStringList{"&Retry", "Cancel"}
                                       << n({mrRetry, mrCancel}) << "&Retry"
                                       << "error";
        QTest::newRow("confirm cancel") << int(mdtConfirmCancel) << int(mbYes) << QStringList{"&Yes", "Cancel"}
                                        << n({mrYes, mrCancel}) << "&Yes"
                                        << "query-green";
        QTest::newRow("yes no cancel, yes")
            << int(mdtConfirmYesNo) << int(mbYes) << QStringList{"&Yes", "&No", "Cancel"} << n({mrYes, mrNo, mrCancel})
            << "&Yes"
            << "query-green";
        QTest::newRow("yes no cancel, no") << int(mdtConfirmYesNo) << int(mbNo) << QStringList{"&Yes", "&No", "Cancel"}
                                           << n({mrYes, mrNo, mrCancel}) << "&No"
                                           << "query-green";
        QTest::newRow("custom") << int(mdtCustom) << int(mbYes) << QStringList{} << QStringList{} << QString()
                                << QString();
    }
    void buttonsByType()
    {
        QFETCH(int, type);
        QFETCH(int, defaultButton);
        QFETCH(QStringList, buttons);
        QFETCH(QStringList, results);
        QFETCH(QString, defaultCaption);
        QFETCH(QString, icon);
        const TShown shown = Show([&] {
            ShowMessageDialog(DefaultPos, QStringLiteral("Text"), 0, TMsgDialogType(type), TMsgDlgBtn(defaultButton),
                              nullptr);
        });
        QCOMPARE(shown.Buttons, buttons);
        QCOMPARE(shown.Results, results);
        QCOMPARE(shown.Default, defaultCaption);
        QCOMPARE(shown.Icon, icon);
    }

    void escapeInConfirmAnswersNo()
    {
        PressWhenShown(Qt::Key_Escape);
        QCOMPARE(ShowMessageDialog(DefaultPos, QStringLiteral("Reset?"), 0, mdtConfirm, mbYes, nullptr), int(mrNo));
        PressWhenShown(Qt::Key_Escape);
        QVERIFY(!ConfirmDialog(DefaultPos, QStringLiteral("Reset?"), mbYes));
    }

    void enterPressesTheDefaultButton()
    {
        PressWhenShown(Qt::Key_Return);
        QCOMPARE(ConfirmYesNoDialog(DefaultPos, QStringLiteral("Save changed task?"), mbNo), int(mrNo));
        PressWhenShown(Qt::Key_Return);
        QVERIFY(ConfirmDialog(DefaultPos, QStringLiteral("Reset?"), mbYes));
    }

    void f11EndsAnyMessage()
    {
        PressWhenShown(Qt::Key_F11);
        QCOMPARE(ShowMessageDialog(DefaultPos, QStringLiteral("Continue?"), 0, mdtConfirm, mbYes, nullptr),
                 int(mrCancel));
    }

    void delays()
    {
        QCOMPARE(Show([] { MessageDialog(QStringLiteral("0123456789"), mdtCustom); }).Delay, 3200);
        QCOMPARE(Show([] { InfoDialog(QStringLiteral("Saved"), 5); }).Delay, 5000);
        QCOMPARE(Show([] { InfoDialog(QStringLiteral("Saved")); }).Delay, 0);
    }

    void selfClosingDialogEndsByItselfOrOnAnyKey()
    {
        // No key: the timer ends it.
        QCOMPARE(InfoDialog(QStringLiteral("Saved"), 1), int(mrCancel));
        PressWhenShown(Qt::Key_A);
        QCOMPARE(MessageDialog(QStringLiteral("A hint pop-up"), mdtCustom), int(mrCancel));
    }

    void textHeightCountsLinesButNeverBelowTheIcon()
    {
        QLabel probe;
        const int line = probe.fontMetrics().height();
        const int three = Show([] { InfoDialog(QStringLiteral("one\r\ntwo\r\nthree")); }).TextHeight;
        QCOMPARE(three, qMax(3 * line, ScaleToMonitor(36, nullptr)));
        const int one = Show([] { InfoDialog(QStringLiteral("one")); }).TextHeight;
        QCOMPARE(one, ScaleToMonitor(36, nullptr));
    }

    void emptyTextShowsNothing()
    {
        PushMessageAnswer(mrYes);
        QCOMPARE(InfoDialog(QString()), int(mrCancel));
        QCOMPARE(PendingMessageHooks(), 1);
    }

    void hintKeyShowsTheFocusedControlsHint()
    {
        QWidget window;
        auto *edit = new QLineEdit(&window);
        edit->setToolTip(QStringLiteral("Filter for filenames"));
        InstallHintKey(window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        edit->setFocus();
        window.activateWindow();
        TShown shown;
        PushMessageHook([&shown](TShowMsgDialog &dialog) {
            shown = Capture(dialog);
            return int(mrCancel);
        });
        QTest::keyClick(edit, Qt::Key_F11);
        QCOMPARE(shown.Message, QStringLiteral("Filter for filenames"));
        QVERIFY(shown.Buttons.isEmpty());
        QVERIFY(shown.Delay > 0);
    }

    void fitToWorkArea_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("expected");
        const QRect size(0, 0, 200, 100);
        QTest::newRow("inside stays") << size.translated(300, 300) << size.translated(300, 300);
        QTest::newRow("right edge") << size.translated(900, 300) << size.translated(1024 - 20 - 200, 300);
        QTest::newRow("left edge") << size.translated(-50, 300) << size.translated(20, 300);
        QTest::newRow("bottom edge") << size.translated(300, 700) << size.translated(300, 768 - 30 - 100);
        QTest::newRow("top edge") << size.translated(300, -10) << size.translated(300, 20);
        QTest::newRow("too wide ends at the left") << QRect(100, 100, 1100, 100) << QRect(20, 100, 1100, 100);
        QTest::newRow("too high ends at the top") << QRect(100, 100, 100, 900) << QRect(100, 20, 100, 900);
    }
    void fitToWorkArea()
    {
        QFETCH(QRect, frame);
        QFETCH(QRect, expected);
        QCOMPARE(FitToWorkArea(frame, QRect(0, 0, 1024, 768)), expected);
    }

    void placeDialogAtPointAndCentred()
    {
        QWidget main;
        main.setGeometry(100, 100, 600, 400);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        SetMainWindow(&main);
        QWidget dialog(&main, Qt::Dialog);
        dialog.setFixedSize(200, 100);
        PlaceDialog(dialog, DefaultPos);
        QVERIFY(qAbs(dialog.frameGeometry().center().x() - main.frameGeometry().center().x()) <= 1);
        PlaceDialog(dialog, QPoint(150, 160));
        QCOMPARE(dialog.pos(), QPoint(150, 160));
        PlaceDialog(dialog, QPoint(-1, 200)); // keeps its own x
        QCOMPARE(dialog.pos(), QPoint(150, 200));
        SetMainWindow(nullptr);
    }
};

TESSARIL_UI_TEST_MAIN(MessageDialogTest)
#include "MessageDialogTest.moc"
