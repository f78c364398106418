#include "UiTestSupport.h"

#include "ui/MessageDialog.h"
#include "ui/dialogs/ScheduleDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimeEdit>

class ScheduleDialogTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        TScheduleHooks::Clear();
        ClearMessageHooks();
    }

    // The dialog shows the task's schedule, writes the chosen one in its place
    // and removes it again with "Not automatically"; what was done is told.
    void choosesShowsAndRemovesASchedule()
    {
        QTemporaryDir folder;
        QStringList calls;
        TUserUnits units(folder.path(), [&calls](const QString &, const QStringList &arguments) {
            calls.append(arguments.join(QLatin1Char(' ')));
            return TProcessOutcome{true, 0, QString()};
        });
        const QString task = QStringLiteral("/home/ann/Phone photos.tsj");
        QString shown;
        QString message;
        const auto tell = [&message] {
            PushMessageHook([&message](TShowMsgDialog &dialog) {
                message = dialog.Message();
                return int(mrOk);
            });
        };

        TScheduleHooks::Push([&shown](TScheduleDialog &dialog) {
            shown = dialog.lbCurrent->text();
            [&] {
                QVERIFY(dialog.rbOff->isChecked());
                QVERIFY(!dialog.edTime->isEnabled());
            }();
            dialog.rbWeekly->setChecked(true);
            dialog.cbWeekDay->setCurrentIndex(2);
            dialog.edTime->setTime(QTime(7, 30));
            return int(QDialog::Accepted);
        });
        tell();
        QVERIFY(EditTaskSchedule({-1, -1}, task, QStringLiteral("/usr/bin/tessaril-cli"), QStringLiteral("/tmp/l.log"),
                                 units));
        QCOMPARE(shown, QStringLiteral("The task does not run automatically."));
        QVERIFY2(message.contains(QStringLiteral("written: ") +
                                  folder.filePath(QStringLiteral("tessaril-Phone_photos.timer"))),
                 qPrintable(message));
        QVERIFY(calls.contains(QStringLiteral("--user enable --now tessaril-Phone_photos.timer")));
        QCOMPARE(units.ListFor(task).size(), 1);

        TScheduleHooks::Push([&shown](TScheduleDialog &dialog) {
            shown = dialog.lbCurrent->text();
            [&] {
                QVERIFY(dialog.rbWeekly->isChecked());
                QCOMPARE(dialog.edTime->time(), QTime(7, 30));
                QCOMPARE(dialog.cbWeekDay->currentIndex(), 2);
            }();
            dialog.rbOff->setChecked(true);
            return int(QDialog::Accepted);
        });
        tell();
        QVERIFY(EditTaskSchedule({-1, -1}, task, QStringLiteral("/usr/bin/tessaril-cli"), QStringLiteral("/tmp/l.log"),
                                 units));
        QCOMPARE(shown, QStringLiteral("The task runs weekly on Wed at 07:30."));
        QVERIFY2(message.contains(QStringLiteral("removed: ")), qPrintable(message));
        QVERIFY(units.ListFor(task).isEmpty());

        // Cancel changes nothing and tells nothing.
        TScheduleHooks::Push([](TScheduleDialog &dialog) {
            dialog.rbOnPlug->setChecked(true);
            return int(QDialog::Rejected);
        });
        QVERIFY(!EditTaskSchedule({-1, -1}, task, QString(), QString(), units));
        QVERIFY(units.List().isEmpty());
        QCOMPARE(PendingMessageHooks(), 0);
    }
};

TESSARIL_UI_TEST_MAIN(ScheduleDialogTest)
#include "ScheduleDialogTest.moc"
