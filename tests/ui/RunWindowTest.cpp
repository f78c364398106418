#include "UiTestSupport.h"

#include "support/SimulatedDevices.h"

#include "app/Locations.h"
#include "app/MainJob.h"
#include "app/RunProgress.h"
#include "ui/ComboHistory.h"
#include "ui/MainForm.h"
#include "ui/MessageDialog.h"
#include "ui/OxButton.h"
#include "ui/StartUp.h"
#include "ui/widgets/LogPane.h"
#include "ui/widgets/RunProgressView.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <QTranslator>

#include <limits>
#include <memory>

namespace {

template <typename T> T *Part(QWidget &widget, const char *name)
{
    T *part = widget.findChild<T *>(QString::fromLatin1(name));
    if (!part)
        qFatal("no part %s", name);
    return part;
}

bool Idle(TMainForm &form)
{
    return QTest::qWaitFor([&form] { return !form.Job().IsBusy(); }, 120000);
}

// Counts the paint events of the widgets it watches.
class TPaintCounter : public QObject
{
public:
    int Count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++Count;
        return QObject::eventFilter(watched, event);
    }
};

// Ticks every 10 ms on the GUI thread and keeps the largest gap between two
// ticks: how long the event loop did not come round. Time the thread spent
// waiting for a processor (a loaded machine, not this program) is taken off
// where the kernel reports it.
class TLagProbe : public QObject
{
public:
    TLagProbe()
    {
        FTimer.setInterval(10);
        connect(&FTimer, &QTimer::timeout, this, [this] { Tick(); });
    }
    void Start()
    {
        FSinceTick.start();
        FQueuedBefore = QueuedNanoseconds();
        FTimer.start();
    }
    void Stop() { FTimer.stop(); }
    qint64 LargestStall() const { return FLargestStall; }
    QString Report() const
    {
        return QStringLiteral("the event loop stalled %1 ms (%2 ms with the time spent waiting for a processor)")
            .arg(FLargestStall)
            .arg(FLargestGap);
    }

private:
    // The thread's time on the run queue so far, or -1 where it is not known.
    static qint64 QueuedNanoseconds()
    {
        QFile stat(QStringLiteral("/proc/thread-self/schedstat"));
        if (!stat.open(QIODevice::ReadOnly))
            return -1;
        const QList<QByteArray> fields = stat.readAll().simplified().split(' ');
        bool ok = false;
        const qint64 queued = fields.value(1).toLongLong(&ok);
        return ok ? queued : -1;
    }
    void Tick()
    {
        const qint64 gap = FSinceTick.restart();
        const qint64 queued = QueuedNanoseconds();
        qint64 stall = gap;
        if (queued >= 0 && FQueuedBefore >= 0)
            stall = qMax<qint64>(0, gap - (queued - FQueuedBefore) / 1000000);
        FQueuedBefore = queued;
        FLargestGap = qMax(FLargestGap, gap);
        FLargestStall = qMax(FLargestStall, stall);
    }

    QTimer FTimer;
    QElapsedTimer FSinceTick;
    qint64 FQueuedBefore = -1;
    qint64 FLargestGap = 0;
    qint64 FLargestStall = 0;
};

TRunProgress Progress(int filesDone, int filesTotal, qint64 bytesDone, qint64 bytesTotal)
{
    TRunProgress progress;
    progress.FilesDone = filesDone;
    progress.FilesTotal = filesTotal;
    progress.BytesDone = bytesDone;
    progress.BytesTotal = bytesTotal;
    return progress;
}

void RemoveTranslators()
{
    for (QTranslator *translator : qApp->findChildren<QTranslator *>())
        QCoreApplication::removeTranslator(translator);
}

} // namespace

class RunWindowTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<TSimulatedDevices> FDevices;
    std::unique_ptr<TDevicesEnvironment> FDevicesEnv;

    std::unique_ptr<TMainForm> FormWithDevice(const QString &deviceName)
    {
        TMainFormStart start;
        start.Env = TSystemEnvironment::FromSystem();
        start.Locations = DetermineLocations(start.Env, ParseStartOptions({}, start.Env.Variables));
        auto form = std::make_unique<TMainForm>(std::move(start));
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qWarning("window not exposed");
        form->StartTimer()->stop();
        form->tmStartTimer();
        auto *devices = Part<QListWidget>(*form, "lbDevices");
        for (int i = 0; i < devices->count(); ++i)
            if (devices->item(i)->text() == deviceName)
                form->SelectDevice(i, true);
        if (!Idle(*form))
            qWarning("the tree read did not end");
        return form;
    }

private Q_SLOTS:
    void initTestCase()
    {
        FDevices = std::make_unique<TSimulatedDevices>(std::initializer_list<TSimulatedDeviceTable>{
            {QStringLiteral("Slow"),
             QStringLiteral("[Device]\nPowerSource=1\n[Faults]\nReadDelayUs=150000\n"),
             {{QStringLiteral("Card/a.bin"), QByteArray(256 * 1024, 'a')},
              {QStringLiteral("Card/b.bin"), QByteArray(256 * 1024, 'b')},
              {QStringLiteral("Card/c.bin"), QByteArray(256 * 1024, 'c')}}},
        });
        TSimulatedDeviceTable many{QStringLiteral("Many"), QStringLiteral("[Device]\nPowerSource=1\n"), {}};
        for (int i = 0; i < 3000; ++i)
            many.Entries.push_back({QStringLiteral("Card/d%1/f%2.txt").arg(i / 100).arg(i), QByteArray("small file")});
        FDevices->Add(many);
        FDevicesEnv = std::make_unique<TDevicesEnvironment>(FDevices->Folder());
    }

    void cleanup() { ClearMessageHooks(); }

    void progressViewShowsWhatItIsGiven_data()
    {
        QTest::addColumn<TRunProgress>("progress");
        QTest::addColumn<int>("barMaximum"); // 0: busy
        QTest::addColumn<int>("barValue");
        QTest::addColumn<QString>("figures");
        QTest::addColumn<QString>("file");

        QTest::newRow("nothing known yet")
            << Progress(0, -1, 0, -1) << 0 << 0 << QStringLiteral("Files: 0  ·  0 B") << QString();
        TRunProgress running = Progress(120, 2500, 3 * 1024 * 1024, 12 * 1024 * 1024);
        running.BytesPerSecond = 1536;
        running.SecondsLeft = 3725;
        running.CurrentFile = QStringLiteral("Card/DCIM/IMG_0001.jpg");
        running.CurrentSize = 100000;
        QTest::newRow("halfway, small file")
            << running << 1000 << 250
            << QStringLiteral("Files: 120 of %1  ·  3.00 MiB of 12.0 MiB  ·  1.50 KiB/s  ·  1:02:05 left")
                   .arg(QLocale().toString(2500))
            << QStringLiteral("IMG_0001.jpg");
        TRunProgress large = Progress(1, 3, 6 * 1024 * 1024, 40 * 1024 * 1024);
        large.CurrentFile = QStringLiteral("Card/Movies/Holiday.mp4");
        large.CurrentSize = 8 * 1024 * 1024;
        large.CurrentDone = 2 * 1024 * 1024;
        large.SecondsLeft = 75;
        QTest::newRow("large file shows its own share")
            << large << 1000 << 150 << QStringLiteral("Files: 1 of 3  ·  6.00 MiB of 40.0 MiB  ·  1:15 left")
            << QStringLiteral("Holiday.mp4 (25 %)");
        QTest::newRow("no files to do is done")
            << Progress(0, 0, 0, 0) << 1000 << 1000 << QStringLiteral("Files: 0 of 0  ·  0 B of 0 B") << QString();
        QTest::newRow("files only, sizes unknown")
            << Progress(3, 4, 0, -1) << 1000 << 750 << QStringLiteral("Files: 3 of 4  ·  0 B") << QString();
        // The device's sizes are not to be trusted: more done than announced,
        // a name with a line break, a rate that is no number.
        TRunProgress hostile = Progress(9, 4, 5000, 1000);
        hostile.CurrentFile = QStringLiteral("Card/two\nlines.txt");
        hostile.CurrentSize = qint64(1) << 62;
        hostile.CurrentDone = std::numeric_limits<qint64>::max();
        hostile.BytesPerSecond = std::numeric_limits<double>::infinity();
        QTest::newRow("hostile figures") << hostile << 1000 << 1000
                                         << QStringLiteral("Files: 9 of 4  ·  4.88 KiB of 1000 B")
                                         << QStringLiteral("two\uFFFDlines.txt (100 %)");
    }
    void progressViewShowsWhatItIsGiven()
    {
        QFETCH(TRunProgress, progress);
        QFETCH(int, barMaximum);
        QFETCH(int, barValue);
        QFETCH(QString, figures);
        QFETCH(QString, file);
        TRunProgressView view;
        QVERIFY(view.isHidden());
        view.Start();
        QVERIFY(!view.isHidden());
        auto *bar = Part<QProgressBar>(view, "pbRun");
        QCOMPARE(bar->maximum(), 0);
        view.ShowProgress(progress);
        QCOMPARE(bar->maximum(), barMaximum);
        if (barMaximum > 0)
            QCOMPARE(bar->value(), barValue);
        QCOMPARE(Part<QLabel>(view, "lbRunFigures")->text(), figures);
        QCOMPARE(Part<QLabel>(view, "lbRunFile")->text(), file);
        view.Finish();
        QVERIFY(view.isHidden());
        QCOMPARE(Part<QLabel>(view, "lbRunFigures")->text(), QString());
    }

    // The job may report far more often than a window can draw; the view
    // shows the latest report at most about ten times a second.
    void aBurstOfReportsIsCoalesced()
    {
        TRunProgressView view;
        view.resize(900, 40);
        view.Start();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        TPaintCounter paints;
        for (QWidget *part : view.findChildren<QWidget *>())
            part->installEventFilter(&paints);
        QElapsedTimer burst;
        burst.start();
        for (int i = 1; i <= 1000; ++i) {
            view.ShowProgress(Progress(i, 1000, i * 1000, 1000 * 1000));
            QCoreApplication::processEvents();
        }
        const qint64 elapsed = burst.elapsed();
        auto *figures = Part<QLabel>(view, "lbRunFigures");
        // The last report is never lost.
        const QString thousand = QLocale().toString(1000);
        QTRY_VERIFY2(figures->text().startsWith(QStringLiteral("Files: %1 of %1").arg(thousand)),
                     qPrintable(figures->text()));
        QVERIFY(paints.Count > 0);
        // Three parts draw per update; a few extra for the last report.
        const qint64 updates = elapsed / TRunProgressView::UpdateInterval + 3;
        QVERIFY2(paints.Count <= 3 * updates,
                 qPrintable(QStringLiteral("%1 paints in %2 ms").arg(paints.Count).arg(elapsed)));
    }

    // Lines that come close together are gathered; the pane still shows
    // every line in order, replaces the right last line and clears all.
    void logPaneGathersLinesInOrder()
    {
        TLogPane pane;
        pane.AppendLine(QStringLiteral("first"));
        QCOMPARE(pane.toPlainText(), QStringLiteral("first")); // alone: at once
        for (int i = 0; i < 1000; ++i)
            pane.AppendLine(QString::number(i));
        pane.ReplaceLastLine(QStringLiteral("counter"));
        QStringList expected{QStringLiteral("first")};
        for (int i = 0; i < 999; ++i)
            expected << QString::number(i);
        expected << QStringLiteral("counter");
        QCOMPARE(pane.toPlainText(), expected.join(QLatin1Char('\n')));
        pane.AppendLine(QStringLiteral("gathered"));
        QTRY_COMPARE(pane.document()->lastBlock().text(), QStringLiteral("gathered"));
        pane.AppendLine(QStringLiteral("dropped"));
        pane.ClearLines();
        QTest::qWait(TLogPane::GatherInterval);
        QCOMPARE(pane.toPlainText(), QString());
    }

    // The run goes on on the job's worker: the event loop must never wait for
    // it, also while thousands of files are copied and logged.
    void theEventLoopNeverStallsDuringARun()
    {
        QTemporaryDir dest;
        auto form = FormWithDevice(QStringLiteral("Many"));
        Part<THistoryComboBox>(*form, "edDestDir")->setEditText(dest.path());
        TLagProbe probe;
        form->bbStartClick();
        QVERIFY(form->IsRunning());
        probe.Start();
        QVERIFY(Idle(*form));
        probe.Stop();
        QVERIFY2(form->Job().Log().Lines().contains(QStringLiteral("  3000 files copied")),
                 qPrintable(form->Job().Log().Lines().mid(form->Job().Log().Lines().size() - 5).join('\n')));
        qInfo("%s", qPrintable(probe.Report()));
        QVERIFY2(probe.LargestStall() <= 100, qPrintable(probe.Report()));
    }

    void progressShowsDuringARunOnly()
    {
        QTemporaryDir dest;
        auto form = FormWithDevice(QStringLiteral("Slow"));
        Part<THistoryComboBox>(*form, "edDestDir")->setEditText(dest.path());
        auto *view = Part<TRunProgressView>(*form, "paRunProgress");
        QVERIFY(!view->isVisible());
        form->bbStartClick();
        QVERIFY(form->IsRunning());
        QTRY_VERIFY(view->isVisible());
        // Sent again until shown: the job's own reports may come in between.
        TRunProgress progress = Progress(1, 3, 256 * 1024, 768 * 1024);
        progress.CurrentFile = QStringLiteral("Card/sent by the test.bin");
        auto *file = Part<QLabel>(*form, "lbRunFile");
        QTRY_VERIFY([&] {
            Q_EMIT form->Job().RunProgressChanged(progress);
            return file->text() == QStringLiteral("sent by the test.bin");
        }());
        QCOMPARE(Part<QProgressBar>(*form, "pbRun")->value(), 333);
        form->bbStartClick(); // stop
        QVERIFY(Idle(*form));
        QVERIFY(!view->isVisible());
        QCOMPARE(Part<QLabel>(*form, "lbRunFile")->text(), QString());
    }

    void previewIsOfferedWhereStartIsAndStopEndsIt()
    {
        QTemporaryDir dest;
        auto form = FormWithDevice(QStringLiteral("Slow"));
        Part<THistoryComboBox>(*form, "edDestDir")->setEditText(dest.path());
        auto *start = Part<TOxButton>(*form, "bbStart");
        auto *preview = Part<TOxButton>(*form, "bbPreview");
        QVERIFY(preview->isEnabled() && start->isEnabled());
        QVERIFY(!preview->toolTip().isEmpty());
        QCOMPARE(preview->text(), QStringLiteral("&Preview"));

        preview->click();
        QVERIFY(form->IsRunning());
        QVERIFY(!preview->isEnabled());
        QVERIFY(start->isEnabled());
        QCOMPARE(start->text(), QStringLiteral("&Stop"));
        QCOMPARE(start->toolTip(), QStringLiteral("Stop the preview"));
        // A second preview while one runs is not started.
        form->bbPreviewClick();
        start->click();
        QVERIFY(Idle(*form));
        // A preview reads no file, so it may have ended before the stop.
        const QString status = Part<QLineEdit>(*form, "edLastDir")->text();
        QVERIFY2(status == QStringLiteral("Preview cancelled") || status == QStringLiteral("Preview finished"),
                 qPrintable(status));
        QVERIFY(preview->isEnabled());
        QCOMPARE(start->text(), QStringLiteral("&Start backup"));
        QCOMPARE(start->toolTip(), QStringLiteral("Copy the selected directories"));

        // During a backup the preview waits too, and the backup's texts stay its own.
        start->click();
        QVERIFY(form->IsRunning());
        QVERIFY(!preview->isEnabled());
        QCOMPARE(start->toolTip(), QStringLiteral("Stop the backup after cancelling the current file"));
        start->click();
        QVERIFY(Idle(*form));
        QCOMPARE(Part<QLineEdit>(*form, "edLastDir")->text(), QStringLiteral("Backup cancelled"));

        // A configuration the run would refuse is answered at the preview button too.
        Part<THistoryComboBox>(*form, "edDestDir")->setEditText(QStringLiteral("relative/folder"));
        QString message;
        PushMessageHook([&message](TShowMsgDialog &dialog) {
            message = dialog.Message();
            return int(mrOk);
        });
        preview->click();
        QVERIFY(!message.isEmpty());
        QVERIFY(!form->Job().IsBusy());
        QVERIFY(preview->isEnabled());
    }

    void previewKeyIsItsOwn_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << QString();
        QTest::newRow("German") << QStringLiteral("de");
    }
    void previewKeyIsItsOwn()
    {
        QFETCH(QString, language);
        if (!language.isEmpty())
            InstallTranslators(*qApp, language);
        const auto english = qScopeGuard(RemoveTranslators);
        auto form = FormWithDevice(QStringLiteral("Slow"));
        const QString caption = Part<TOxButton>(*form, "bbPreview")->text();
        const qsizetype amp = caption.indexOf(QLatin1Char('&'));
        QVERIFY2(amp >= 0 && amp + 1 < caption.size(), qPrintable(caption));
        const QChar key = caption.at(amp + 1).toLower();
        for (QAbstractButton *button : form->findChildren<QAbstractButton *>()) {
            if (button->objectName() == QLatin1String("bbPreview") || !button->isVisibleTo(form.get()))
                continue;
            const QString text = button->text();
            const qsizetype other = text.indexOf(QLatin1Char('&'));
            if (other >= 0 && other + 1 < text.size())
                QVERIFY2(text.at(other + 1).toLower() != key, qPrintable(text + QStringLiteral(" / ") + caption));
        }
    }

    // Every file type of the compression box shows whole, in English and in
    // German, at the window's smallest size.
    void compressionTypesAreNotClipped_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << QString();
        QTest::newRow("German") << QStringLiteral("de");
    }
    void compressionTypesAreNotClipped()
    {
        QFETCH(QString, language);
        if (!language.isEmpty())
            InstallTranslators(*qApp, language);
        const auto english = qScopeGuard(RemoveTranslators);
        auto form = FormWithDevice(QStringLiteral("Slow"));
        Part<QCheckBox>(*form, "cbComp")->click();
        for (int i = 0; i < 2; ++i) {
            QApplication::processEvents();
            form->resize(form->minimumSize());
        }
        QApplication::processEvents();
        auto *types = Part<QListWidget>(*form, "NoCompList");
        QVERIFY(types->count() > 20);
        const int padding = 2 * (types->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, types) + 1);
        QRect previous;
        for (int i = 0; i < types->count(); ++i) {
            QListWidgetItem *item = types->item(i);
            const QRect cell = types->visualItemRect(item);
            // Neighbours in a row do not cover each other.
            if (cell.top() == previous.top())
                QVERIFY2(cell.left() > previous.right(), qPrintable(item->text()));
            previous = cell;
            const int wanted = types->fontMetrics().horizontalAdvance(item->text()) + padding;
            QVERIFY2(cell.width() >= wanted && cell.left() >= 0 && cell.right() < types->viewport()->width(),
                     qPrintable(QStringLiteral("\"%1\": %2 wide at %3, needs %4 in %5")
                                    .arg(item->text())
                                    .arg(cell.width())
                                    .arg(cell.left())
                                    .arg(wanted)
                                    .arg(types->viewport()->width())));
        }
    }
};

TESSARIL_UI_TEST_MAIN(RunWindowTest)
#include "RunWindowTest.moc"
