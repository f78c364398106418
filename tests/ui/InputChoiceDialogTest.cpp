#include "UiTestSupport.h"

#include "ui/OxButton.h"
#include "ui/dialogs/ChoiceDialog.h"
#include "ui/dialogs/InputDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace {

// Acts on the modal dialog once it is shown.
template <typename F> void WhenShown(F &&action)
{
    QTimer::singleShot(50, [action] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        action(*dialog);
    });
}

void PressKey(Qt::Key key)
{
    WhenShown([key](QWidget &dialog) { QTest::keyClick(dialog.focusWidget() ? dialog.focusWidget() : &dialog, key); });
}

int RowOf(const TOxButton *button)
{
    return button->geometry().top();
}

} // namespace

class InputChoiceDialogTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        TInputHooks::Clear();
        TChoiceHooks::Clear();
    }

    void inputTextReturnsTheTypedTextOnlyAfterOk()
    {
        QString text = QStringLiteral("old");
        PushInputAnswer(QStringLiteral("new"));
        QVERIFY(InputText(DefaultPosition(), QStringLiteral("Add item"), QStringLiteral("Type"), text));
        QCOMPARE(text, QStringLiteral("new"));
        PushInputAnswer(QString());
        QVERIFY(!InputText(DefaultPosition(), QString(), QStringLiteral("Type"), text));
        QCOMPARE(text, QStringLiteral("new"));
    }

    void inputTextByKeyboard()
    {
        QString text = QStringLiteral("abc");
        WhenShown([](QWidget &dialog) {
            auto *edit = dialog.findChild<QLineEdit *>();
            QCOMPARE(dialog.focusWidget(), edit);
            QTest::keyClicks(edit, QStringLiteral("xyz"));
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QVERIFY(InputText(DefaultPosition(), QString(), QStringLiteral("Name"), text));
        QCOMPARE(text, QStringLiteral("xyz"));
        PressKey(Qt::Key_Escape);
        QVERIFY(!InputText(DefaultPosition(), QString(), QStringLiteral("Name"), text));
        QCOMPARE(text, QStringLiteral("xyz"));
    }

    void inputDialogKeepsItsCaptionAndWidensForALongText()
    {
        int narrow = 0;
        QString caption;
        TInputHooks::Push([&](TInputStringDialog &dialog) {
            narrow = dialog.width();
            caption = dialog.windowTitle();
            return int(QDialog::Rejected);
        });
        QString shortText = QStringLiteral("a");
        InputText(DefaultPosition(), QString(), QStringLiteral("Name"), shortText);
        QCOMPARE(caption, QStringLiteral("Edit text"));
        QVERIFY(narrow >= 311);

        QString longText = QString(120, QLatin1Char('W'));
        TInputHooks::Push([&](TInputStringDialog &dialog) {
            const int needed = dialog.edText->fontMetrics().horizontalAdvance(longText) + 20;
            [&] { QVERIFY(dialog.edText->width() >= needed); }();
            [&] { QVERIFY(dialog.width() > narrow); }();
            return int(QDialog::Rejected);
        });
        InputText(DefaultPosition(), QString(), QStringLiteral("Name"), longText);
    }

    void twoAnswersShowOneRowWithTheCancelButtonLast()
    {
        QStringList captions;
        bool oneRow = false;
        TChoiceHooks::Push([&](TSelectDialog &dialog) {
            for (TOxButton *button : dialog.Buttons())
                captions << button->text();
            oneRow = RowOf(dialog.Buttons()[0]) == RowOf(dialog.Buttons()[2]) &&
                     dialog.Buttons()[0]->x() < dialog.Buttons()[1]->x() &&
                     dialog.Buttons()[1]->x() < dialog.Buttons()[2]->x();
            dialog.Press(1);
            return dialog.Result();
        });
        const int result =
            ChoiceDialog(QStringLiteral("Delete directory"), QStringLiteral("Delete \"/tmp/x\""), mtConfirmation,
                         fsBold, {QStringLiteral("Definitely"), QStringLiteral("To recycle bin")});
        QCOMPARE(result, 1);
        QCOMPARE(captions, (QStringList{"Definitely", "To recycle bin", "Cancel"}));
        QVERIFY(oneRow);
    }

    void fourAnswersNeedTwoRows()
    {
        TChoiceHooks::Push([](TSelectDialog &dialog) {
            const auto &b = dialog.Buttons();
            [&] {
                QCOMPARE(b.size(), size_t(5));
                QCOMPARE(RowOf(b[0]), RowOf(b[2]));
                QVERIFY(RowOf(b[3]) > RowOf(b[0]));
                QCOMPARE(RowOf(b[4]), RowOf(b[3]));
                // The second row ends where the first does.
                QCOMPARE(b[4]->geometry().right(), b[2]->geometry().right());
                QCOMPARE(b[3]->x(), b[1]->x());
                QVERIFY(b[4]->geometry().bottom() < dialog.height());
            }();
            return -1;
        });
        ChoiceDialog(QString(), QStringLiteral("?"), mtConfirmation, {},
                     {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
    }

    void checkBoxAddsToTheAnswerButNotToCancel()
    {
        PressKey(Qt::Key_Space); // the focused first answer
        QCOMPARE(ChoiceDialog(QString(), QStringLiteral("Go on?"), mtWarning, {}, {QStringLiteral("Go")},
                              QStringLiteral("Always"), 0, 0 + ChoiceOptionChecked),
                 ChoiceOptionChecked);
        PressKey(Qt::Key_Escape);
        QCOMPARE(ChoiceDialog(QString(), QStringLiteral("Go on?"), mtWarning, {}, {QStringLiteral("Go")},
                              QStringLiteral("Always"), 0, 0 + ChoiceOptionChecked),
                 -1);
        WhenShown([](QWidget &dialog) {
            auto *choice = static_cast<TSelectDialog *>(&dialog);
            QVERIFY(choice->Option()->isChecked());
            choice->Press(-1);
        });
        QCOMPARE(ChoiceDialog(QString(), QStringLiteral("Go on?"), mtWarning, {}, {QStringLiteral("Go")},
                              QStringLiteral("Always"), 0, ChoiceOptionChecked),
                 -1);
    }

    void focusFollowsThePreselectionAndTheBoxComesLast()
    {
        TChoiceHooks::Push([](TSelectDialog &dialog) {
            const auto &b = dialog.Buttons();
            [&] {
                QCOMPARE(dialog.focusWidget(), b[1]);
                QCOMPARE(b[2]->nextInFocusChain(), static_cast<QWidget *>(dialog.Option()));
            }();
            return -1;
        });
        ChoiceDialog(QString(), QStringLiteral("?"), mtConfirmation, {}, {QStringLiteral("A"), QStringLiteral("B")},
                     QStringLiteral("Box"), 0, 1);
        TChoiceHooks::Push([](TSelectDialog &dialog) {
            [&] { QCOMPARE(dialog.focusWidget(), dialog.Buttons().back()); }();
            return -1;
        });
        ChoiceDialog(QString(), QStringLiteral("?"), mtConfirmation, {}, {QStringLiteral("A")}, QString(), 0, 7);
    }

    void onlyTheCancelButtonAnswersZero()
    {
        WhenShown([](QWidget &dialog) { static_cast<TSelectDialog &>(dialog).Press(-1); });
        QCOMPARE(ChoiceDialog(QString(), QStringLiteral("Done."), mtInformation, {}, {}, QString(), 0, -1,
                              QStringLiteral("Close")),
                 0);
    }

    void titlesAndBoldQuestionWidth()
    {
        QString title;
        TChoiceHooks::Push([&title](TSelectDialog &dialog) {
            title = dialog.windowTitle();
            return -1;
        });
        ChoiceDialog(QString(), QStringLiteral("?"), mtError, {}, {QStringLiteral("A")});
        QCOMPARE(title, QStringLiteral("Error"));

        const QFontMetrics metrics(QApplication::font());
        const QStringList lines{QStringLiteral("short"), QStringLiteral("the widest line of all")};
        const int plain = TSelectDialog::QuestionWidth(lines, metrics, false);
        QCOMPARE(plain, metrics.horizontalAdvance(lines[1]));
        QCOMPARE(TSelectDialog::QuestionWidth(lines, metrics, true), plain * 5 / 4);
    }

private:
    static QPoint DefaultPosition() { return {-1, -1}; }
};

TESSARIL_UI_TEST_MAIN(InputChoiceDialogTest)
#include "InputChoiceDialogTest.moc"
