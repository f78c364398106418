#include "UiTestSupport.h"

#include "ui/OxButton.h"
#include "ui/dialogs/PlaceholderDialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

class PlaceholderDialogTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { TPlaceholderHooks::Clear(); }

    void okWithoutTouchingGivesTheDeviceName()
    {
        TPlaceholderHooks::Push([](TPlaceHolderDialog &) { return int(QDialog::Accepted); });
        QCOMPARE(SelectPlaceholder(QPoint(-1, -1), ptPortable), QStringLiteral("%device%"));
    }

    void everyItemReturnsItsPlaceholder()
    {
        for (int i = 0; i < 13; ++i) {
            TPlaceholderHooks::Push([i](TPlaceHolderDialog &dialog) {
                dialog.Items[static_cast<size_t>(i)]->click();
                return int(QDialog::Accepted);
            });
            QCOMPARE(SelectPlaceholder(QPoint(-1, -1), ptPortable), QString::fromLatin1(PlaceholderTexts[i]));
        }
        TPlaceholderHooks::Push([](TPlaceHolderDialog &dialog) {
            [&] { QCOMPARE(dialog.Items[11]->text(), QStringLiteral("Name of month (e.g. January)")); }();
            dialog.Items[11]->click();
            return int(QDialog::Accepted);
        });
        QCOMPARE(SelectPlaceholder(QPoint(-1, -1), ptPortable), QStringLiteral("%lmonth%"));
    }

    void cancelGivesNothing()
    {
        TPlaceholderHooks::Push([](TPlaceHolderDialog &dialog) {
            dialog.Items[3]->click();
            return int(QDialog::Rejected);
        });
        QVERIFY(SelectPlaceholder(QPoint(-1, -1), ptPortable).isEmpty());
    }

    void previewsShowWhatEachGivesNow()
    {
        TPlaceholderHooks::Push([](TPlaceHolderDialog &dialog) {
            dialog.Prepare(ptPortable, QStringLiteral("Pixel 7"), QDate(2010, 12, 4));
            [&] {
                QCOMPARE(dialog.Previews[0]->text(), QStringLiteral("Pixel 7"));
                QCOMPARE(dialog.Previews[1]->text(), QStringLiteral("2010-12-04"));
                QCOMPARE(dialog.Previews[12]->text(), QStringLiteral("2010"));
                QVERIFY(dialog.Items[0]->isChecked());
            }();
            return int(QDialog::Rejected);
        });
        SelectPlaceholder(QPoint(-1, -1), ptPortable, QStringLiteral("Pixel 7"));
    }

    void keyboardAndSize()
    {
        TPlaceholderHooks::Push([](TPlaceHolderDialog &dialog) {
            dialog.show();
            dialog.activateWindow();
            [&] {
                QVERIFY(QTest::qWaitForWindowActive(&dialog));
                QCOMPARE(dialog.focusWidget(), static_cast<QWidget *>(dialog.Items[0]));
                // The group gets its height and 5 % more; nothing is cut off.
                QVERIFY(dialog.rgPlaceholder->height() >= dialog.rgPlaceholder->sizeHint().height());
                QVERIFY(dialog.rect().contains(dialog.BottomPanel->geometry()));
                QVERIFY(dialog.width() >= 248);
            }();
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Down);
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Down);
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
            return dialog.result();
        });
        QCOMPARE(SelectPlaceholder(QPoint(-1, -1), ptPortable), QStringLiteral("%yaw%"));
    }
};

TESSARIL_UI_TEST_MAIN(PlaceholderDialogTest)
#include "PlaceholderDialogTest.moc"
