#include "UiTestSupport.h"

#include "ui/MessageDialog.h"
#include "ui/OxButton.h"
#include "ui/dialogs/InputDialog.h"
#include "ui/dialogs/ListEditor.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>

namespace {

const TSelectOptions FilterOptions = soEdit | soOrder | soDelAll | soNoConfirm;
const TSelectOptions TypeOptions = soEdit | soOrder | soMulti | soNoConfirm;

// Runs EditList with a hook that drives the prepared dialog.
template <typename F>
bool Edit(TSelectOptions options, QStringList &list, QString &text, F &&drive, const QString &defaults = QString(),
          bool accept = true)
{
    TListEditorHooks::Push([&drive, accept](TSelectFromListDialog &dialog) {
        drive(dialog);
        return int(accept ? QDialog::Accepted : QDialog::Rejected);
    });
    return EditList(QPoint(-1, -1), QStringLiteral("Masks"), QStringLiteral("Type"), options, 0, defaults, list, text);
}

} // namespace

class ListEditorTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        TListEditorHooks::Clear();
        TInputHooks::Clear();
        ClearMessageHooks();
    }

    void addChangeAndMoveEntries()
    {
        QStringList list{"a", "b"};
        QString text;
        QVERIFY(Edit(FilterOptions, list, text, [](TSelectFromListDialog &dialog) {
            PushInputAnswer(QStringLiteral("c"));
            dialog.btnAdd->click();
            PushInputAnswer(QString()); // adding an empty text adds an empty entry
            dialog.btnAdd->click();
            dialog.lbItems->setCurrentRow(0);
            PushInputAnswer(QStringLiteral("A"));
            dialog.btnChange->click();
            dialog.btnDown->click();
            dialog.btnDown->click();
            dialog.btnDown->click();
            dialog.btnDown->click(); // the last one stays last
        }));
        // The cancelled input added nothing; "A" went down to the end.
        QCOMPARE(list, (QStringList{"b", "c", "A"}));
        QCOMPARE(text, QStringLiteral("A"));

        TInputHooks::Push([](TInputStringDialog &dialog) {
            dialog.edText->clear();
            return int(QDialog::Accepted);
        });
        Edit(FilterOptions, list, text, [](TSelectFromListDialog &dialog) { dialog.btnAdd->click(); });
        QCOMPARE(list, (QStringList{"b", "c", "A", ""}));
    }

    void removingKeepsAPlaceCurrent()
    {
        QStringList list{"a", "b", "c"};
        QString text = QStringLiteral("C");
        QVERIFY(Edit(FilterOptions, list, text, [](TSelectFromListDialog &dialog) {
            QCOMPARE(dialog.lbItems->currentRow(), 2); // selected by text, case ignored
            dialog.btnRemove->click();
            QCOMPARE(dialog.lbItems->currentRow(), 1);
            dialog.btnRemove->click();
            dialog.btnRemove->click();
            QCOMPARE(dialog.lbItems->count(), 0);
            QCOMPARE(dialog.lbItems->currentRow(), -1);
            dialog.btnRemove->click(); // nothing current: nothing happens
            dialog.btnUp->click();
        }));
        QVERIFY(list.isEmpty());
        QVERIFY(text.isEmpty());
    }

    void multiSelection()
    {
        QStringList list{"a", "b", "c"};
        QString text;
        QVERIFY(Edit(TypeOptions, list, text, [](TSelectFromListDialog &dialog) {
            dialog.btnRemove->click(); // nothing selected: nothing removed
            QCOMPARE(dialog.lbItems->count(), 3);
            dialog.lbItems->item(0)->setSelected(true);
            dialog.lbItems->item(2)->setSelected(true);
        }));
        QCOMPARE(text, QStringLiteral("a|c"));
        QVERIFY(Edit(TypeOptions, list, text, [](TSelectFromListDialog &dialog) {
            dialog.lbItems->item(0)->setSelected(true);
            dialog.lbItems->item(2)->setSelected(true);
            dialog.btnRemove->click();
        }));
        QCOMPARE(list, QStringList{"b"});
    }

    void resetAndClear()
    {
        QStringList list{"x"};
        QString text;
        QVERIFY(Edit(
            FilterOptions, list, text,
            [](TSelectFromListDialog &dialog) {
                QVERIFY(dialog.btnDefault->isVisibleTo(&dialog));
                QVERIFY(dialog.btnRemoveAll->isVisibleTo(&dialog));
                dialog.btnRemoveAll->click();
                QCOMPARE(dialog.lbItems->count(), 0);
                dialog.btnDefault->click();
            },
            QStringLiteral("7z,ace arc,\"a b\"")));
        QCOMPARE(list, (QStringList{"7z", "ace", "arc", "a b"}));
        Edit(FilterOptions, list, text,
             [](TSelectFromListDialog &dialog) { QVERIFY(!dialog.btnDefault->isVisibleTo(&dialog)); });
    }

    void questionsAskedWithoutNoConfirm()
    {
        QStringList list{"a", "b"};
        QString text;
        QString question;
        Edit(soEdit, list, text, [&question](TSelectFromListDialog &dialog) {
            dialog.lbItems->setCurrentRow(0);
            PushMessageHook([&question](TShowMsgDialog &message) {
                question = message.Message();
                return int(mrNo);
            });
            dialog.btnRemove->click();
            QCOMPARE(dialog.lbItems->count(), 2);
            PushMessageAnswer(mrYes);
            dialog.btnRemove->click();
        });
        QCOMPARE(question, QStringLiteral("Remove item: \"a\"?"));
        QCOMPARE(list, QStringList{"b"});
    }

    void cancelKeepsEverything()
    {
        QStringList list{"a", "b"};
        QString text = QStringLiteral("b");
        QVERIFY(!Edit(
            FilterOptions, list, text, [](TSelectFromListDialog &dialog) { dialog.btnRemoveAll->click(); }, QString(),
            false));
        QCOMPARE(list, (QStringList{"a", "b"}));
        QCOMPARE(text, QStringLiteral("b"));
    }

    void withoutEditADoubleClickChoosesTheEntry()
    {
        QStringList list{"a", "b"};
        QString text;
        TListEditorHooks::Push([](TSelectFromListDialog &dialog) {
            [&] { QVERIFY(!dialog.gbEdit->isVisibleTo(&dialog)); }();
            dialog.show();
            [&] { QVERIFY(QTest::qWaitForWindowExposed(&dialog)); }();
            dialog.lbItems->doItemsLayout();
            QListWidgetItem *item = dialog.lbItems->item(1);
            const QPoint at = dialog.lbItems->visualItemRect(item).center();
            // A double click is a press followed by the double-click event.
            QTest::mousePress(dialog.lbItems->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(dialog.lbItems->viewport(), Qt::LeftButton, {}, at);
            return dialog.result();
        });
        QVERIFY(EditList(QPoint(-1, -1), QStringLiteral("Pick"), QStringLiteral("Type"), {}, 0, QString(), list, text));
        QCOMPARE(text, QStringLiteral("b"));
    }

    void layoutFitsAtDoubleScale()
    {
        QStringList list{"jpg", "png", "zip", "7z", "mp4"};
        QString text;
        TListEditorHooks::Push([](TSelectFromListDialog &dialog) {
            dialog.show();
            [&] {
                for (TOxButton *button : dialog.findChildren<TOxButton *>()) {
                    if (!button->isVisibleTo(&dialog))
                        continue;
                    const QRect inDialog(button->mapTo(&dialog, QPoint(0, 0)), button->size());
                    QVERIFY2(dialog.rect().contains(inDialog), qPrintable(button->text()));
                    QVERIFY(button->width() >= button->sizeHint().width());
                }
            }();
            return int(QDialog::Rejected);
        });
        EditList(QPoint(-1, -1), QStringLiteral("File types not to compress"), QStringLiteral("Type"), TypeOptions, 2,
                 QStringLiteral("7z,ace,arc"), list, text);
    }
};

TESSARIL_UI_TEST_MAIN(ListEditorTest)
#include "ListEditorTest.moc"
