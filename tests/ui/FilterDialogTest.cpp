#include "UiTestSupport.h"

#include "ui/ComboHistory.h"
#include "ui/MessageDialog.h"
#include "ui/OxButton.h"
#include "ui/dialogs/FilterDialog.h"
#include "ui/dialogs/ListEditor.h"

#include "env/History.h"
#include "filter/TextFilter.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

// Runs the filter dialog with a hook that drives it; OK is pressed through the
// button, so a rejected text keeps the dialog "open" (the result stays Rejected).
template <typename F> bool RunFilter(TTextFilter &filter, F &&drive)
{
    TFilterHooks::Push([&drive](TFilterDialog &dialog) { return drive(dialog); });
    return ShowFilterDialog(QStringLiteral("Filter for filenames"), QStringLiteral("Backup files"), true, true, filter);
}

int PressOk(TFilterDialog &dialog)
{
    dialog.OKBtn->click();
    return dialog.result();
}

} // namespace

class FilterDialogTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        QVERIFY(FDir.isValid());
        SetFilterHistory(FDir.filePath(QStringLiteral("Tessaril.ini")), QStringLiteral("FileFilter"));
    }
    void cleanup()
    {
        TFilterHooks::Clear();
        TListEditorHooks::Clear();
        ClearMessageHooks();
        QFile::remove(FDir.filePath(QStringLiteral("Tessaril.ini")));
    }

    void andPrefixSelectsAndAndOrRemovesIt()
    {
        TTextFilter filter;
        filter.SetMode(fmInclude);
        filter.SetFilter(QStringLiteral("+*.jpg|*.png"));
        QVERIFY(RunFilter(filter, [](TFilterDialog &dialog) {
            [&] {
                QCOMPARE(dialog.windowTitle(), QStringLiteral("Filter for filenames"));
                QCOMPARE(dialog.gbFilter->title(), QStringLiteral("Backup files"));
                QVERIFY(dialog.AndBtn->isChecked());
                QVERIFY(dialog.IncMaskBtn->isChecked());
            }();
            dialog.OrBtn->click();
            [&] { QCOMPARE(dialog.cbFilter->currentText(), QStringLiteral("*.jpg|*.png")); }();
            dialog.AndBtn->click();
            [&] { QCOMPARE(dialog.cbFilter->currentText(), QStringLiteral("+*.jpg|*.png")); }();
            dialog.OrBtn->click();
            return PressOk(dialog);
        }));
        QCOMPARE(filter.Filter(), QStringLiteral("*.jpg|*.png"));
        QCOMPARE(filter.Mode(), fmInclude);
    }

    void allSwitchesTheTextOffAndKeepsTheStoredText()
    {
        TTextFilter filter;
        filter.SetRegular(true);
        filter.SetMode(fmExclude);
        filter.SetFilter(QStringLiteral("^IMG"));
        QVERIFY(RunFilter(filter, [](TFilterDialog &dialog) {
            dialog.NoMaskBtn->click();
            [&] {
                QVERIFY(!dialog.cbFilter->isEnabled());
                QVERIFY(!dialog.RegExpCB->isEnabled());
                QVERIFY(!dialog.RegExpCB->isChecked());
                QCOMPARE(dialog.cbFilter->currentText(), QStringLiteral("*"));
            }();
            return PressOk(dialog);
        }));
        QCOMPARE(filter.Mode(), fmOff);
        QVERIFY(!filter.Regular());
        filter.SetRegular(true);
        QCOMPARE(filter.Filter(), QStringLiteral("^IMG"));
    }

    void emptyTextMatchesAllFiles()
    {
        TTextFilter filter;
        QVERIFY(RunFilter(filter, [](TFilterDialog &dialog) {
            dialog.IncMaskBtn->click();
            dialog.cbFilter->setEditText(QString());
            return PressOk(dialog);
        }));
        QCOMPARE(filter.Mode(), fmInclude);
        QVERIFY(!filter.Regular());
        QCOMPARE(filter.Filter(), QStringLiteral("*.*"));
    }

    void regularExpressionsSwapTheMatchAllText()
    {
        TTextFilter filter;
        filter.SetMode(fmInclude);
        QVERIFY(!RunFilter(filter, [](TFilterDialog &dialog) {
            [&] { QCOMPARE(dialog.cbFilter->currentText(), QStringLiteral("*")); }();
            dialog.RegExpCB->click();
            [&] {
                QCOMPARE(dialog.cbFilter->currentText(), QStringLiteral("."));
                QVERIFY(!dialog.btnEditMask->isEnabled());
                QVERIFY(!dialog.rgEval->isVisibleTo(&dialog));
            }();
            dialog.RegExpCB->click();
            [&] {
                QCOMPARE(dialog.cbFilter->currentText(), QStringLiteral("*"));
                QVERIFY(dialog.rgEval->isVisibleTo(&dialog));
            }();
            return int(QDialog::Rejected);
        }));
    }

    void invalidExpressionKeepsTheDialogOpenAndTheFilterUntouched()
    {
        TTextFilter filter;
        filter.SetMode(fmExclude);
        filter.SetFilter(QStringLiteral("*.tmp"));
        QString message;
        QVERIFY(!RunFilter(filter, [&message](TFilterDialog &dialog) {
            dialog.IncMaskBtn->click();
            dialog.RegExpCB->click();
            dialog.cbFilter->setEditText(QStringLiteral("("));
            PushMessageHook([&message](TShowMsgDialog &shown) {
                message = shown.Message();
                return int(mrCancel);
            });
            const int result = PressOk(dialog);
            [&] {
                QCOMPARE(result, int(QDialog::Rejected));
                QCOMPARE(dialog.cbFilter->currentText(), QStringLiteral("("));
                QVERIFY(dialog.cbFilter->isEnabled());
            }();
            return int(QDialog::Rejected); // then the user cancels
        }));
        QCOMPARE(message, QStringLiteral("Invalid filter mask!\nShould resemble \\D or A+[bc]."));
        QCOMPARE(filter.Mode(), fmExclude);
        QVERIFY(!filter.Regular());
        QCOMPARE(filter.Filter(), QStringLiteral("*.tmp"));
    }

    void invalidMaskNamesTheMaskExamples()
    {
        TTextFilter filter;
        QString message;
        RunFilter(filter, [&message](TFilterDialog &dialog) {
            dialog.IncMaskBtn->click();
            dialog.cbFilter->setEditText(QStringLiteral("[a"));
            PushMessageHook([&message](TShowMsgDialog &shown) {
                message = shown.Message();
                return int(mrCancel);
            });
            return PressOk(dialog);
        });
        if (message.isEmpty())
            QSKIP("the wildcard matcher takes \"[a\" as a valid mask here");
        QCOMPARE(message, QStringLiteral("Invalid filter mask!\nShould resemble * or [ab]*"));
    }

    void editExpressionsSplitsAndJoinsTheMasks()
    {
        TTextFilter filter;
        filter.SetMode(fmInclude);
        filter.SetFilter(QStringLiteral("+a.*|b.*"));
        QStringList offered;
        QString title;
        QVERIFY(RunFilter(filter, [&](TFilterDialog &dialog) {
            TListEditorHooks::Push([&](TSelectFromListDialog &editor) {
                title = editor.windowTitle();
                for (int i = 0; i < editor.lbItems->count(); ++i)
                    offered << editor.lbItems->item(i)->text();
                editor.btnRemoveAll->click();
                editor.btnDefault->click(); // the masks as they were
                [&] { QCOMPARE(editor.lbItems->count(), 2); }();
                editor.lbItems->clear();
                editor.lbItems->addItems({"x", "y"});
                return int(QDialog::Accepted);
            });
            dialog.btnEditMask->click();
            [&] { QCOMPARE(dialog.cbFilter->currentText(), QStringLiteral("+x|y")); }();
            TListEditorHooks::Push([](TSelectFromListDialog &editor) {
                editor.lbItems->clear();
                return int(QDialog::Rejected);
            });
            dialog.btnEditMask->click();
            [&] { QCOMPARE(dialog.cbFilter->currentText(), QStringLiteral("+x|y")); }();
            return PressOk(dialog);
        }));
        QCOMPARE(offered, (QStringList{"a.*", "b.*"}));
        QCOMPARE(title, QStringLiteral("Filter expressions:"));
        QCOMPARE(filter.Filter(), QStringLiteral("+x.*|y.*"));
    }

    void historyKeepsFifteenAndMovesARepeatedTextUp()
    {
        TTextFilter filter;
        filter.SetMode(fmInclude);
        for (int i = 0; i < 16; ++i)
            QVERIFY(RunFilter(filter, [i](TFilterDialog &dialog) {
                dialog.cbFilter->setEditText(QStringLiteral("*.e%1").arg(i));
                return PressOk(dialog);
            }));
        QStringList history;
        LoadHistory(FDir.filePath(QStringLiteral("Tessaril.ini")), QStringLiteral("FileFilter"), history);
        QCOMPARE(history.size(), 15);
        QCOMPARE(history.first(), QStringLiteral("*.e15"));
        QVERIFY(!history.contains(QStringLiteral("*.e0")));

        QVERIFY(RunFilter(filter, [](TFilterDialog &dialog) {
            dialog.cbFilter->setEditText(QStringLiteral("*.E3"));
            return PressOk(dialog);
        }));
        LoadHistory(FDir.filePath(QStringLiteral("Tessaril.ini")), QStringLiteral("FileFilter"), history);
        QCOMPARE(history.first(), QStringLiteral("*.E3"));
        QCOMPARE(
            history.filter(QRegularExpression(QStringLiteral("^\\*\\.e3$"), QRegularExpression::CaseInsensitiveOption))
                .size(),
            1);
        QCOMPARE(history.size(), 15);

        // Picking an entry makes OR/AND follow it.
        RunFilter(filter, [](TFilterDialog &dialog) {
            AddToHistory(*dialog.cbFilter, QStringLiteral("+*.a|*.b"));
            dialog.cbFilter->setCurrentIndex(0);
            Q_EMIT dialog.cbFilter->activated(0);
            [&] { QVERIFY(dialog.AndBtn->isChecked()); }();
            return int(QDialog::Rejected);
        });
    }

    void keyboardAndLayout()
    {
        TTextFilter filter;
        TFilterHooks::Push([](TFilterDialog &dialog) {
            dialog.show();
            dialog.activateWindow();
            [&] {
                QVERIFY(QTest::qWaitForWindowActive(&dialog));
                QCOMPARE(dialog.focusWidget(), static_cast<QWidget *>(dialog.NoMaskBtn));
                for (QWidget *child : dialog.findChildren<QWidget *>())
                    if (child->isVisibleTo(&dialog) && child->parentWidget() == &dialog)
                        QVERIFY(dialog.rect().contains(child->geometry()));
            }();
            // Every mode has its accelerator; Alt+M reaches "All matching".
            [&] {
                QCOMPARE(QKeySequence::mnemonic(dialog.IncMaskBtn->text()), QKeySequence(Qt::ALT | Qt::Key_M));
                QCOMPARE(QKeySequence::mnemonic(dialog.ExcMaskBtn->text()), QKeySequence(Qt::ALT | Qt::Key_N));
            }();
            QTest::keyClick(dialog.focusWidget(), Qt::Key_M, Qt::AltModifier);
            if (!dialog.IncMaskBtn->isChecked())
                dialog.IncMaskBtn->click(); // no mnemonics on this platform plugin
            [&] {
                QVERIFY(dialog.IncMaskBtn->isChecked());
                QCOMPARE(dialog.focusWidget(), static_cast<QWidget *>(dialog.cbFilter));
            }();
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Escape);
            return dialog.result();
        });
        QVERIFY(!ShowFilterDialog(QStringLiteral("Filter"), QStringLiteral("Files"), true, true, filter));
        QCOMPARE(filter.Mode(), fmOff);
    }

private:
    QTemporaryDir FDir;
};

TESSARIL_UI_TEST_MAIN(FilterDialogTest)
#include "FilterDialogTest.moc"
