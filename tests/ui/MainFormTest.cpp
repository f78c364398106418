#include "UiTestSupport.h"

#include "support/SimulatedDevices.h"

#include "app/BackupConfig.h"
#include "app/LocaleDates.h"
#include "app/Locations.h"
#include "app/MainJob.h"
#include "app/ProgressLog.h"
#include "device/PortableDevice.h"
#include "ui/Appearance.h"
#include "ui/ComboHistory.h"
#include "ui/MainForm.h"
#include "ui/MessageDialog.h"
#include "ui/NumEdit.h"
#include "ui/OxButton.h"
#include "ui/StartUp.h"
#include "ui/dialogs/DirectoryChooser.h"
#include "ui/dialogs/FilterDialog.h"
#include "ui/dialogs/ListEditor.h"
#include "ui/dialogs/PlaceholderDialog.h"
#include "ui/widgets/DevicePanel.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDirIterator>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRadioButton>
#include <QScopeGuard>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <QToolTip>
#include <QTranslator>
#include <QTreeWidget>

#include <memory>

namespace {

QString DeviceIni(int powerSource, int level)
{
    return QStringLiteral("[Device]\nManufacturer=Google\nDescription=Pixel 7\nFirmware=TQ3A\nDeviceType=1\n"
                          "PowerSource=%1\nPowerLevel=%2\n")
        .arg(powerSource)
        .arg(level);
}

// Every file below a folder with its content, by relative path.
QMap<QString, QByteArray> FilesBelow(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            files.insert(QDir(folder).relativeFilePath(path), file.readAll());
    }
    return files;
}

QTreeWidgetItem *ChildNamed(QTreeWidgetItem *node, const QString &name)
{
    for (int i = 0; node && i < node->childCount(); ++i)
        if (node->child(i)->text(0) == name)
            return node->child(i);
    return nullptr;
}

// A part of the window, found by its control name.
template <typename T> T *Part(TMainForm &form, const char *name)
{
    T *part = form.findChild<T *>(QString::fromLatin1(name));
    if (!part)
        qFatal("no part %s", name);
    return part;
}

// The job reads trees and runs backups on its worker; the window shows the end.
bool Idle(TMainForm &form)
{
    return QTest::qWaitFor([&form] { return !form.Job().IsBusy(); }, 60000);
}

QStringList FileNames(const QTreeWidget &list)
{
    QStringList names;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        names << list.topLevelItem(i)->text(0);
    return names;
}

} // namespace

class MainFormTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<TSimulatedDevices> FDevices;
    std::unique_ptr<TDevicesEnvironment> FDevicesEnv;
    QTemporaryDir FWork;

    std::unique_ptr<TMainForm> MakeForm(const QStringList &arguments = {})
    {
        TMainFormStart start;
        start.Env = TSystemEnvironment::FromSystem();
        start.Arguments = arguments;
        start.Locations = DetermineLocations(start.Env, ParseStartOptions(arguments, start.Env.Variables));
        auto form = std::make_unique<TMainForm>(std::move(start));
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qWarning("window not exposed");
        return form;
    }

    // The form after its start timer, with the phone selected.
    std::unique_ptr<TMainForm> FormWithPhone()
    {
        auto form = MakeForm();
        form->StartTimer()->stop();
        form->tmStartTimer();
        form->SelectDevice(PhoneRow(*form), true);
        if (!Idle(*form))
            qWarning("the tree read did not end");
        return form;
    }

    static int RowOf(TMainForm &form, const QString &name)
    {
        for (int i = 0; i < Part<QListWidget>(form, "lbDevices")->count(); ++i)
            if (Part<QListWidget>(form, "lbDevices")->item(i)->text() == name)
                return i;
        return -1;
    }
    static int PhoneRow(TMainForm &form) { return RowOf(form, QStringLiteral("Pixel 7")); }

private Q_SLOTS:
    void initTestCase()
    {
        FDevices = std::make_unique<TSimulatedDevices>(std::initializer_list<TSimulatedDeviceTable>{
            {QStringLiteral("Pixel 7"),
             DeviceIni(0, 50),
             {{QStringLiteral("Internal storage/DCIM/Camera/IMG_b.jpg"), QByteArray(1536, 'b'),
               QStringLiteral("2026-11-02 09:00:00")},
              {QStringLiteral("Internal storage/DCIM/Camera/img_a.jpg"), QByteArray(1023, 'a'),
               QStringLiteral("2026-12-01 18:30:00")},
              {QStringLiteral("Internal storage/DCIM/Camera/IMG_c.jpg"), QByteArray(4000, 'c'),
               QStringLiteral("2026-06-15 12:00:00")},
              {QStringLiteral("Internal storage/Music/song.mp3"), QByteArray("ID3 song"),
               QStringLiteral("2026-05-01 08:00:00")},
              {QStringLiteral("Internal storage/Empty/")},
              {QStringLiteral("SD card/Docs/readme.txt"), QByteArray("read me\n"),
               QStringLiteral("2026-01-10 10:00:00")}}},
            {QStringLiteral("Camera"), DeviceIni(1, 80), {{QStringLiteral("Card/DCIM/P1.jpg"), "jpeg"}}},
            {QStringLiteral("Slow"),
             DeviceIni(1, 100) + QStringLiteral("[Faults]\nReadDelayUs=150000\n"),
             {{QStringLiteral("Card/a.bin"), QByteArray(256 * 1024, 'a')},
              {QStringLiteral("Card/b.bin"), QByteArray(256 * 1024, 'b')},
              {QStringLiteral("Card/c.bin"), QByteArray(256 * 1024, 'c')}}},
        });
        TSimulatedDeviceTable big{QStringLiteral("Big"), DeviceIni(1, 100), {}};
        for (int i = 0; i < 1500; ++i)
            big.Entries.push_back({QStringLiteral("Card/d%1/f%1.txt").arg(i), "f"});
        FDevices->Add(big);
        FDevicesEnv = std::make_unique<TDevicesEnvironment>(FDevices->Folder());
    }

    void cleanup()
    {
        ClearMessageHooks();
        TListEditorHooks::Clear();
        TFilterHooks::Clear();
        TDirectoryHooks::Clear();
        TPlaceholderHooks::Clear();
    }

    void loadsTheDeviceListAndSelectsAllStorages()
    {
        auto form = MakeForm();
        form->StartTimer()->stop();
        form->tmStartTimer();
        QVERIFY(Part<QListWidget>(*form, "lbDevices")->count() >= 2);
        QVERIFY(
            Part<QPlainTextEdit>(*form, "meProgress")->toPlainText().contains(QStringLiteral("Loading device list")));
        QCOMPARE(Part<QListWidget>(*form, "lbDevices")->selectedItems().size(), 0);

        form->SelectDevice(PhoneRow(*form), true);
        QVERIFY(Idle(*form));
        QCOMPARE(Part<QGroupBox>(*form, "gbDevice")->title(), QStringLiteral("Pixel 7"));
        QCOMPARE(Part<QLabel>(*form, "laManu")->text(), QStringLiteral("Google"));
        QTreeWidgetItem *root = Part<QTreeWidget>(*form, "tvObjects")->topLevelItem(0);
        QVERIFY(root);
        QCOMPARE(root->childCount(), 2);
        QVERIFY(root->child(0)->isSelected());
        QVERIFY(root->child(1)->isSelected());
        QCOMPARE(form->SelectedIndexes().size(), 2);
        QCOMPARE(form->Job().Selection, form->SelectedIndexes());
        QVERIFY(Part<QPlainTextEdit>(*form, "meProgress")->toPlainText().contains(QStringLiteral("Selected: Pixel 7")));
        QCOMPARE(Part<QLabel>(*form, "lbSelectedCount")->text(), QStringLiteral("2 selected"));
    }

    void desktopKeysAndTooltips()
    {
        auto form = FormWithPhone();
        // Every shortcut of the window, and the start button's accelerator.
        QMap<QString, QShortcut *> shortcuts;
        for (QShortcut *shortcut : form->findChildren<QShortcut *>())
            shortcuts.insert(shortcut->key().toString(), shortcut);
        for (const char *keys : {"Ctrl+O", "Ctrl+S", "Ctrl+Shift+S", "Ctrl+Q", "F5", "F1"})
            QVERIFY2(shortcuts.contains(QString::fromLatin1(keys)), keys);
        QVERIFY(Part<TOxButton>(*form, "bbStart")->text().startsWith(QLatin1Char('&')));

        // F5 reloads the device list: no device is selected then, and the details show none.
        Q_EMIT shortcuts.value(QStringLiteral("F5"))->activated();
        QVERIFY(Idle(*form));
        QCOMPARE(Part<QListWidget>(*form, "lbDevices")->selectedItems().size(), 0);
        QCOMPARE(Part<QLabel>(*form, "laManu")->text(), QString());
        QVERIFY(!Part<QLabel>(*form, "imgBattery")->isVisible());
        QCOMPARE(Part<QTreeWidget>(*form, "tvObjects")->topLevelItemCount(), 0);
        form->SelectDevice(PhoneRow(*form), true);
        QVERIFY(Idle(*form));
        QCOMPARE(Part<QLabel>(*form, "laManu")->text(), QStringLiteral("Google"));

        // Moving through the tree with the keys lists the current folder's files.
        auto *tree = Part<QTreeWidget>(*form, "tvObjects");
        QTreeWidgetItem *internal = ChildNamed(tree->topLevelItem(0), QStringLiteral("Internal storage"));
        QVERIFY(internal);
        internal->setExpanded(true);
        QTreeWidgetItem *dcim = ChildNamed(internal, QStringLiteral("DCIM"));
        QVERIFY(dcim);
        dcim->setExpanded(true);
        tree->setCurrentItem(dcim, 0, QItemSelectionModel::NoUpdate);
        QCOMPARE(Part<QTreeWidget>(*form, "lvFiles")->topLevelItemCount(), 0);
        QTest::keyClick(tree, Qt::Key_Down);
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("Camera"));
        QCOMPARE(Part<QTreeWidget>(*form, "lvFiles")->topLevelItemCount(), 3);

        // A disabled button still explains itself.
        auto *shortcutButton = Part<TOxButton>(*form, "bbShortcut");
        QVERIFY(!shortcutButton->isEnabled());
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), shortcutButton->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(shortcutButton, &help);
        QTRY_COMPARE(QToolTip::text(), shortcutButton->toolTip());
        QToolTip::hideText();
    }

    void nothingIsClippedAtTheMinimumSize_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << QString();
        QTest::newRow("German") << QStringLiteral("de");
    }
    void nothingIsClippedAtTheMinimumSize()
    {
        QFETCH(QString, language);
        if (!language.isEmpty())
            InstallTranslators(*qApp, language);
        const auto english = qScopeGuard([] {
            for (QTranslator *translator : qApp->findChildren<QTranslator *>())
                QCoreApplication::removeTranslator(translator);
        });
        auto form = FormWithPhone();
        Part<QCheckBox>(*form, "cbComp")->click(); // the tallest form of "File processing"
        // The minimum follows the layout once the shown controls have settled.
        for (int i = 0; i < 2; ++i) {
            QApplication::processEvents();
            form->resize(form->minimumSize());
        }
        QApplication::processEvents();
        QCOMPARE(form->size(), form->minimumSize());
        // Every text control shows its whole text.
        for (QWidget *widget : form->findChildren<QWidget *>()) {
            if (!widget->isVisibleTo(form.get()) || qobject_cast<TElidedLabel *>(widget))
                continue;
            const bool text = qobject_cast<QLabel *>(widget) || qobject_cast<QCheckBox *>(widget) ||
                              qobject_cast<QRadioButton *>(widget) || qobject_cast<QPushButton *>(widget) ||
                              qobject_cast<QGroupBox *>(widget);
            if (!text)
                continue;
            if (auto *label = qobject_cast<QLabel *>(widget); label && (label->wordWrap() || label->text().isEmpty()))
                continue;
            const QSize wanted = widget->minimumSizeHint();
            QVERIFY2(widget->width() >= wanted.width() && widget->height() >= wanted.height(),
                     qPrintable(QStringLiteral("%1 \"%2\": %3x%4 < %5x%6")
                                    .arg(widget->objectName(), widget->property("text").toString())
                                    .arg(widget->width())
                                    .arg(widget->height())
                                    .arg(wanted.width())
                                    .arg(wanted.height())));
            // Nothing sticks out of the window.
            const QRect inWindow(widget->mapTo(form.get(), QPoint(0, 0)), widget->size());
            QVERIFY2(form->rect().contains(inWindow), qPrintable(widget->objectName()));
        }
        form->close();
        QFile::remove(form->Locations().IniName);
    }

    void windowSizeIsRememberedWithItsPosition()
    {
        QSize size;
        {
            auto form = MakeForm();
            form->StartTimer()->stop();
            form->resize(form->minimumWidth() + 37, form->minimumHeight() + 23);
            size = form->size();
            form->close();
        }
        auto form = MakeForm();
        form->StartTimer()->stop();
        QCOMPARE(form->size(), size);
        form->close();
        QFile::remove(form->Locations().IniName);
    }

    void foldersExpandLazily()
    {
        auto form = FormWithPhone();
        QTreeWidgetItem *internal =
            ChildNamed(Part<QTreeWidget>(*form, "tvObjects")->topLevelItem(0), QStringLiteral("Internal storage"));
        QVERIFY(internal);
        // Before expansion only the placeholder child is there.
        QCOMPARE(internal->childCount(), 1);
        QCOMPARE(internal->child(0)->text(0), QString());
        internal->setExpanded(true);
        QStringList names;
        for (int i = 0; i < internal->childCount(); ++i)
            names << internal->child(i)->text(0);
        QCOMPARE(names, (QStringList{"DCIM", "Empty", "Music"}));
        QTreeWidgetItem *empty = ChildNamed(internal, QStringLiteral("Empty"));
        QCOMPARE(empty->childCount(), 1);
        QCOMPARE(empty->child(0)->text(0), QString());
        empty->setExpanded(true);
        QCOMPARE(empty->childCount(), 0);
    }

    void filesListAndSort()
    {
        auto form = FormWithPhone();
        QTreeWidgetItem *internal =
            ChildNamed(Part<QTreeWidget>(*form, "tvObjects")->topLevelItem(0), QStringLiteral("Internal storage"));
        internal->setExpanded(true);
        QTreeWidgetItem *dcim = ChildNamed(internal, QStringLiteral("DCIM"));
        dcim->setExpanded(true);
        QTreeWidgetItem *camera = ChildNamed(dcim, QStringLiteral("Camera"));
        QVERIFY(camera);
        Part<QTreeWidget>(*form, "tvObjects")->setCurrentItem(camera);
        const QRect rect = Part<QTreeWidget>(*form, "tvObjects")->visualItemRect(camera);
        QTest::mouseClick(Part<QTreeWidget>(*form, "tvObjects")->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(FileNames(*Part<QTreeWidget>(*form, "lvFiles")), (QStringList{"img_a.jpg", "IMG_b.jpg", "IMG_c.jpg"}));
        QCOMPARE(Part<QTreeWidget>(*form, "lvFiles")->topLevelItem(0)->text(2), QStringLiteral("1023 B"));
        // A summer date shows the device's wall-clock time, not one shifted by daylight saving.
        QCOMPARE(Part<QTreeWidget>(*form, "lvFiles")->topLevelItem(2)->text(1),
                 DateTimeText(QDateTime(QDate(2026, 6, 15), QTime(12, 0))));
        QCOMPARE(Part<QTreeWidget>(*form, "lvFiles")->topLevelItem(1)->text(2), QStringLiteral("1.50 KiB"));

        form->lvFilesColumnClick(1); // Date: newest first
        QCOMPARE(FileNames(*Part<QTreeWidget>(*form, "lvFiles")), (QStringList{"img_a.jpg", "IMG_b.jpg", "IMG_c.jpg"}));
        QCOMPARE(form->SortTag(), 1 | 16);
        form->lvFilesColumnClick(1); // oldest first
        QCOMPARE(FileNames(*Part<QTreeWidget>(*form, "lvFiles")), (QStringList{"IMG_c.jpg", "IMG_b.jpg", "img_a.jpg"}));
        QCOMPARE(form->SortTag(), 1);
        form->lvFilesColumnClick(2); // Size: largest first
        QCOMPARE(FileNames(*Part<QTreeWidget>(*form, "lvFiles")), (QStringList{"IMG_c.jpg", "IMG_b.jpg", "img_a.jpg"}));
        form->lvFilesColumnClick(0); // Filename ascending
        QCOMPARE(FileNames(*Part<QTreeWidget>(*form, "lvFiles")), (QStringList{"img_a.jpg", "IMG_b.jpg", "IMG_c.jpg"}));
        QCOMPARE(form->SortTag(), 0);
        QVERIFY(!Part<QTreeWidget>(*form, "lvFiles")->headerItem()->icon(0).isNull());
        QVERIFY(Part<QTreeWidget>(*form, "lvFiles")->headerItem()->icon(1).isNull());
    }

    void batteryIcon()
    {
        auto form = FormWithPhone();
        QVERIFY(Part<QLabel>(*form, "imgBattery")->isVisible());
        QCOMPARE(form->BatteryIconName(), QStringLiteral("battery-50"));
        QVERIFY(Part<QLabel>(*form, "laPower")->text().contains(QStringLiteral("(50%)")));
        for (int i = 0; i < Part<QListWidget>(*form, "lbDevices")->count(); ++i)
            if (Part<QListWidget>(*form, "lbDevices")->item(i)->text() == QLatin1String("Camera"))
                form->SelectDevice(i, true);
        QVERIFY(Idle(*form));
        QCOMPARE(Part<QGroupBox>(*form, "gbDevice")->title(), QStringLiteral("Camera"));
        QVERIFY(!Part<QLabel>(*form, "imgBattery")->isVisible());
        // The keyboard chooses devices too.
        Part<QListWidget>(*form, "lbDevices")->setFocus();
        Part<QListWidget>(*form, "lbDevices")->setCurrentRow(PhoneRow(*form));
        QTest::keyClick(Part<QListWidget>(*form, "lbDevices"), Qt::Key_Home);
        QVERIFY(Idle(*form));
        QTest::keyClick(Part<QListWidget>(*form, "lbDevices"), Qt::Key_End);
        QVERIFY(Idle(*form));
        QCOMPARE(
            Part<QGroupBox>(*form, "gbDevice")->title(),
            Part<QListWidget>(*form, "lbDevices")->item(Part<QListWidget>(*form, "lbDevices")->count() - 1)->text());
    }

    void batteryLevels_data()
    {
        QTest::addColumn<uint>("level");
        QTest::addColumn<QString>("icon");
        for (const auto &[level, icon] : std::initializer_list<std::pair<uint, const char *>>{{100, "battery-100"},
                                                                                              {76, "battery-100"},
                                                                                              {75, "battery-75"},
                                                                                              {51, "battery-75"},
                                                                                              {50, "battery-50"},
                                                                                              {26, "battery-50"},
                                                                                              {25, "battery-25"},
                                                                                              {0, "battery-25"}})
            QTest::newRow(qPrintable(QString::number(level))) << level << QString::fromLatin1(icon);
    }
    void batteryLevels()
    {
        QFETCH(uint, level);
        QFETCH(QString, icon);
        QCOMPARE(BatteryIconOf(level), icon);
    }

    void compressionControls()
    {
        auto form = FormWithPhone();
        QVERIFY(!Part<QCheckBox>(*form, "cbComp")->isChecked());
        QVERIFY(!Part<QListWidget>(*form, "NoCompList")->isVisible());
        QVERIFY(!Part<QCheckBox>(*form, "cbZipComp")->isVisible());
        Part<QCheckBox>(*form, "cbComp")->click();
        QVERIFY(Part<QListWidget>(*form, "NoCompList")->isVisible());
        QVERIFY(Part<QCheckBox>(*form, "cbZipComp")->isVisible());
        QVERIFY(Part<QListWidget>(*form, "NoCompList")->count() > 0);
        Part<QCheckBox>(*form, "cbZipComp")->click();
        QVERIFY(Part<QCheckBox>(*form, "cbZipComp")->isChecked());
        Part<QCheckBox>(*form, "cbComp")->click();
        QVERIFY(!Part<QCheckBox>(*form, "cbZipComp")->isVisible());
        QVERIFY(!Part<QCheckBox>(*form, "cbZipComp")->isChecked());
        // Buttons whose dialogs are not there yet are disabled, not stubs.
    }

    void noCompressionListEditedWithTheNoneRule()
    {
        auto form = MakeForm();
        form->StartTimer()->stop();
        Part<QCheckBox>(*form, "cbComp")->click();
        QString title;
        TListEditorHooks::Push([&title](TSelectFromListDialog &editor) {
            title = editor.windowTitle();
            editor.lbItems->clear();
            editor.lbItems->addItems({QStringLiteral("raw"), QString(), QStringLiteral("heic")});
            return int(QDialog::Accepted);
        });
        Part<TOxButton>(*form, "bbNoComp")->click();
        QCOMPARE(title, QStringLiteral("File types not to compress"));
        // The empty entry (files without an extension) shows as "<ohne>", in sorted order.
        const QStringList expected{QStringLiteral("<ohne>"), QStringLiteral("heic"), QStringLiteral("raw")};
        QCOMPARE(form->Job().Config.AktNoComp, expected);
        auto *list = Part<QListWidget>(*form, "NoCompList");
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(0)->text(), QStringLiteral("<ohne>"));
        QVERIFY(IsNoCompType(form->Job().Config.AktNoComp, QString()));
        QCOMPARE(form->EditStatus(), esNew); // no task: the status stays new

        // Cancelled: the list stays.
        TListEditorHooks::Push([](TSelectFromListDialog &editor) {
            editor.lbItems->clear();
            return int(QDialog::Rejected);
        });
        Part<TOxButton>(*form, "bbNoComp")->click();
        QCOMPARE(form->Job().Config.AktNoComp, expected);
        form->close();
        // The next window starts from the defaults again.
        QFile::remove(form->Locations().IniName);
    }

    void filterButtonEditsAndResetOnlySwitchesItOff()
    {
        auto form = MakeForm();
        form->StartTimer()->stop();
        auto *summary = Part<QLineEdit>(*form, "edFilterMask");
        TFilterHooks::Push([](TFilterDialog &dialog) {
            dialog.IncMaskBtn->click();
            dialog.cbFilter->setEditText(QStringLiteral("*.jpg"));
            dialog.OKBtn->click();
            return dialog.result();
        });
        Part<TOxButton>(*form, "FilterBtn")->click();
        QCOMPARE(summary->text(), QStringLiteral("only *.jpg"));
        QCOMPARE(form->Job().Config.FFilter.Mode(), fmInclude);

        PushMessageAnswer(mrYes);
        Part<TOxButton>(*form, "bbReset")->click();
        QCOMPARE(summary->text(), QStringLiteral("All files"));
        // The text stays: switching the filter on again brings it back.
        QString offered;
        TFilterHooks::Push([&offered](TFilterDialog &dialog) {
            dialog.IncMaskBtn->click();
            offered = dialog.cbFilter->currentText();
            dialog.OKBtn->click();
            return dialog.result();
        });
        Part<TOxButton>(*form, "FilterBtn")->click();
        QCOMPARE(offered, QStringLiteral("*.jpg"));
        QCOMPARE(summary->text(), QStringLiteral("only *.jpg"));
        form->close();
        // The next window starts from the defaults again.
        QFile::remove(form->Locations().IniName);
    }

    void destinationButtonsChooseAFolderAndInsertAtTheCaret()
    {
        auto form = MakeForm();
        form->StartTimer()->stop();
        auto *box = Part<THistoryComboBox>(*form, "edDestDir");
        const QString base = FWork.filePath(QStringLiteral("chosen"));
        QVERIFY(QDir().mkpath(base + QStringLiteral("/sub")));
        box->setEditText(base + QStringLiteral("/sub/%device%/%date%"));
        // The chooser starts in the part before the first placeholder.
        QString shown;
        TDirectoryHooks::Push([&shown](TShellDirDialog &dialog) {
            shown = dialog.FieldText();
            return int(QDialog::Rejected);
        });
        Part<TOxButton>(*form, "bbDestDir")->click();
        QCOMPARE(QDir::cleanPath(shown), base + QStringLiteral("/sub"));
        QCOMPARE(box->currentText(), base + QStringLiteral("/sub/%device%/%date%"));
        PushDirectoryAnswer(base);
        Part<TOxButton>(*form, "bbDestDir")->click();
        QCOMPARE(QDir::cleanPath(box->currentText()), base);
        QCOMPARE(QDir::cleanPath(HistoryOf(*box).first()), base);

        // The placeholder goes where the caret was before the button took the focus.
        box->setEditText(QStringLiteral("/backup/x"));
        box->setFocus();
        QTRY_VERIFY(box->lineEdit()->hasFocus() || !QApplication::focusWindow());
        if (!box->lineEdit()->hasFocus())
            QSKIP("no focus on the offscreen platform");
        box->lineEdit()->setCursorPosition(8);
        Part<TOxButton>(*form, "bbPhDir")->setFocus();
        TPlaceholderHooks::Push([](TPlaceHolderDialog &dialog) {
            dialog.Select(0);
            return int(QDialog::Accepted);
        });
        Part<TOxButton>(*form, "bbPhDir")->click();
        QCOMPARE(box->currentText(), QStringLiteral("/backup/%device%x"));
        // Without a remembered caret the placeholder is appended.
        TPlaceholderHooks::Push([](TPlaceHolderDialog &dialog) {
            dialog.Select(1);
            return int(QDialog::Accepted);
        });
        Part<TOxButton>(*form, "bbPhDir")->click();
        QCOMPARE(box->currentText(), QStringLiteral("/backup/%device%x%date%"));
        form->close();
        // The next window starts from the defaults again.
        QFile::remove(form->Locations().IniName);
    }

    void resetAnsweredNoAndYes()
    {
        auto form = FormWithPhone();
        Part<QRadioButton>(*form, "rbOverwrite2")->click();
        Part<QCheckBox>(*form, "cbComp")->click();
        Part<QComboBox>(*form, "cbTimeSlot")->setCurrentIndex(5);
        PushMessageAnswer(mrNo);
        Part<TOxButton>(*form, "bbReset")->click();
        QVERIFY(Part<QRadioButton>(*form, "rbOverwrite2")->isChecked());
        QVERIFY(Part<QCheckBox>(*form, "cbComp")->isChecked());
        QCOMPARE(Part<QComboBox>(*form, "cbTimeSlot")->currentIndex(), 5);
        QString question;
        PushMessageHook([&question](TShowMsgDialog &dialog) {
            question = dialog.Message();
            return int(mrYes);
        });
        Part<TOxButton>(*form, "bbReset")->click();
        QCOMPARE(question, QStringLiteral("Reset to default configuration?"));
        QVERIFY(Part<QRadioButton>(*form, "rbOverwrite0")->isChecked());
        QVERIFY(!Part<QCheckBox>(*form, "cbComp")->isChecked());
        QCOMPARE(Part<QComboBox>(*form, "cbTimeSlot")->currentIndex(), 0);
    }

    void timeSlotLayouts()
    {
        auto form = FormWithPhone();
        const auto shown = [&form] {
            int count = 0;
            for (QWidget *w : std::initializer_list<QWidget *>{
                     Part<QDateTimeEdit>(*form, "FromDate"), Part<QDateTimeEdit>(*form, "ToDate"),
                     Part<TRangeEdit>(*form, "reDays"), Part<TNumUpDown>(*form, "udDays"),
                     Part<QLabel>(*form, "lbFrom"), Part<QLabel>(*form, "lbDays")})
                count += w->isVisible() ? 1 : 0;
            return count;
        };
        Part<QComboBox>(*form, "cbTimeSlot")->setCurrentIndex(0);
        QCOMPARE(shown(), 0);
        Part<QComboBox>(*form, "cbTimeSlot")->setCurrentIndex(3);
        QVERIFY(Part<QDateTimeEdit>(*form, "FromDate")->isVisible() &&
                Part<QDateTimeEdit>(*form, "ToDate")->isVisible() && Part<QLabel>(*form, "lbFrom")->isVisible());
        QCOMPARE(Part<QDateTimeEdit>(*form, "ToDate")->y() - Part<QDateTimeEdit>(*form, "FromDate")->y(), 25);
        Part<QComboBox>(*form, "cbTimeSlot")->setCurrentIndex(5);
        QVERIFY(Part<TRangeEdit>(*form, "reDays")->isVisible() && Part<TNumUpDown>(*form, "udDays")->isVisible() &&
                Part<QLabel>(*form, "lbDays")->isVisible());
        QCOMPARE(Part<TNumUpDown>(*form, "udDays")->geometry().right() + 1, Part<TRangeEdit>(*form, "reDays")->x());
        QCOMPARE(Part<QLabel>(*form, "lbDays")->x(), Part<TRangeEdit>(*form, "reDays")->geometry().right() + 1 + 5);
        // Moving the start after the end pushes the end one day beyond it.
        Part<QComboBox>(*form, "cbTimeSlot")->setCurrentIndex(3);
        Part<QDateTimeEdit>(*form, "ToDate")->setDate(QDate(2026, 12, 8));
        Part<QDateTimeEdit>(*form, "FromDate")->setDate(QDate(2026, 12, 20));
        QCOMPARE(Part<QDateTimeEdit>(*form, "ToDate")->date(), QDate(2026, 12, 21));
        Part<QDateTimeEdit>(*form, "ToDate")->setDate(QDate(2026, 12, 1));
        QCOMPARE(Part<QDateTimeEdit>(*form, "FromDate")->date(), QDate(2026, 12, 1));

        // A summer date chosen in a picker is that day, at that time, in the time slot.
        Part<QDateTimeEdit>(*form, "ToDate")->setDateTime(QDateTime(QDate(2026, 7, 5), QTime(0, 0)));
        Part<QDateTimeEdit>(*form, "FromDate")->setDateTime(QDateTime(QDate(2026, 7, 1), QTime(8, 30)));
        form->ControlsToTimeSlot();
        const TTimePeriod &period = form->Job().Config.TmPeriod;
        QCOMPARE(period.Dat1, QtDateToDateTime(QDate(2026, 7, 1)));
        QCOMPARE(period.Dat2, QtDateToDateTime(QDate(2026, 7, 5)));
        QCOMPARE(qRound(period.DayTime * 1440), 8 * 60 + 30);
    }

    void destinationBoxDropsDownOnlyWithTwoOrMoreEntries()
    {
        auto form = MakeForm();
        THistoryComboBox &box = *Part<THistoryComboBox>(*form, "edDestDir");
        ShowHistory(box, {});
        QVERIFY(box.IsPlainEdit());
        AddToHistory(box, FWork.filePath(QStringLiteral("one")));
        QVERIFY(box.IsPlainEdit());
        box.showPopup();
        QVERIFY(!box.view()->isVisible());
        QVERIFY(!box.grab().isNull());
        const int plainWidth = box.lineEdit()->width();

        AddToHistory(box, FWork.filePath(QStringLiteral("two")));
        QVERIFY(!box.IsPlainEdit());
        QVERIFY(box.lineEdit()->width() < plainWidth);
        QCOMPARE(box.currentText(), FWork.filePath(QStringLiteral("two")));
        box.showPopup();
        QVERIFY(box.view()->isVisible());
        box.hidePopup();
    }

    void deviceGoneBeforeTheRunIsReportedAndTheWindowStaysUsable()
    {
        const QString folder =
            FDevices->Add({QStringLiteral("Gone"), QString(), {{QStringLiteral("Inner/x.txt"), "x"}}});
        auto form = MakeForm();
        form->StartTimer()->stop();
        form->tmStartTimer();
        const QList<QListWidgetItem *> items =
            Part<QListWidget>(*form, "lbDevices")->findItems(QStringLiteral("Gone"), Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        form->SelectDevice(Part<QListWidget>(*form, "lbDevices")->row(items.first()), true);
        QVERIFY(Idle(*form));
        QTemporaryDir dest;
        Part<THistoryComboBox>(*form, "edDestDir")->setEditText(dest.path());
        QVERIFY(QDir(folder).removeRecursively()); // unplugged

        form->bbStartClick();
        QVERIFY(Idle(*form));
        const QStringList lines = form->Job().Log().Lines();
        QVERIFY(lines.last().startsWith(QStringLiteral("Error calling: ")));
        // Plain words first.
        QCOMPARE(lines.value(lines.size() - 2),
                 QStringLiteral("The device does not answer any more: it may have been disconnected or locked."));
        QVERIFY(!form->Job().IsRunning());
        QVERIFY(Part<TOxButton>(*form, "bbStart")->isEnabled());
        QVERIFY(Part<QTreeWidget>(*form, "tvObjects")->isEnabled());
    }

    void backupFromTheWindowMatchesTheCommandLine()
    {
        QTemporaryDir windowDest, cliDest;
        auto form = FormWithPhone();
        PushMessageAnswer(mrYes);
        Part<TOxButton>(*form, "bbReset")->click(); // the command line runs with the default configuration
        form->SelectDevice(PhoneRow(*form), true);
        QVERIFY(Idle(*form));
        Part<THistoryComboBox>(*form, "edDestDir")->setEditText(windowDest.path());
        form->bbStartClick();
        QVERIFY(Idle(*form));
        const QStringList windowLog = form->Job().Log().Lines();
        const auto windowFiles = FilesBelow(windowDest.path());
        QVERIFY(windowFiles.contains(QStringLiteral("Internal storage/DCIM/Camera/IMG_b.jpg")));
        QCOMPARE(windowFiles.value(QStringLiteral("SD card/Docs/readme.txt")), QByteArray("read me\n"));
        QCOMPARE(Part<QPlainTextEdit>(*form, "meProgress")->toPlainText(), windowLog.join(QLatin1Char('\n')));
        QVERIFY(Part<TOxButton>(*form, "bbStart")->isEnabled());

        const QString logFile = FWork.filePath(QStringLiteral("cli.log"));
        QProcess cli;
        cli.start(QStringLiteral(TESSARIL_CLI),
                  {QStringLiteral("backup"), QStringLiteral("Pixel 7"), QStringLiteral("--to"), cliDest.path(),
                   QStringLiteral("--log"), logFile});
        QVERIFY(cli.waitForFinished(60000));
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(FilesBelow(cliDest.path()), windowFiles);
        QFile log(logFile);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QString cliText = QString::fromUtf8(log.readAll());
        if (cliText.startsWith(QChar(0xFEFF)))
            cliText.remove(0, 1);
        QStringList cliLog = cliText.split(QStringLiteral("\n"));
        cliLog.replaceInStrings(QStringLiteral("\r"), QString());
        cliLog.replaceInStrings(cliDest.path(), windowDest.path());
        while (!cliLog.isEmpty() && cliLog.last().isEmpty())
            cliLog.removeLast();
        // The command line lists and reads the device first; the run's lines are the same.
        const qsizetype start = cliLog.indexOf(windowLog.first());
        QVERIFY2(start >= 0, qPrintable(cliLog.join(QLatin1Char('\n'))));
        QCOMPARE(cliLog.mid(start, windowLog.size()), windowLog);
    }

    void refusedTaskAndRunShowTheirReason()
    {
        auto form = FormWithPhone();
        QStringList shown;
        const auto answer = [&shown](TShowMsgDialog &dialog) {
            shown.append(dialog.Message());
            return int(mrOk);
        };
        const QString task = FWork.filePath(QStringLiteral("garbage.tsj"));
        QFile file(task);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a task");
        file.close();
        PushMessageHook(answer);
        QVERIFY(!form->LoadTask(task));
        QTRY_COMPARE(shown, QStringList{QStringLiteral("The task file \"garbage.tsj\" is not valid")});

        // An exclude filter that passes no name stops the run before it starts.
        form->SelectDevice(PhoneRow(*form), true);
        QVERIFY(Idle(*form));
        QTemporaryDir dest;
        Part<THistoryComboBox>(*form, "edDestDir")->setEditText(dest.path());
        form->Job().Config.Destination = dest.path(); // the job checks the destination first
        TTextFilter &filter = form->Job().Config.FFilter;
        filter.SetRegular(false);
        filter.SetFilter(QString()); // "*"
        filter.SetMode(fmExclude);
        PushMessageHook(answer);
        form->Job().BackupSelected();
        QTRY_COMPARE(shown.size(), 2);
        QCOMPARE(shown.last(), QStringLiteral("The file filter excludes every file; nothing would be copied"));
        QVERIFY(QDir(dest.path()).isEmpty());
        filter.SetMode(fmOff); // the settings the form saves stay as other tests expect them
    }

    void taskSavedChangedAndReopened()
    {
        const QString task = FWork.filePath(QStringLiteral("phone.tsj"));
        {
            auto form = FormWithPhone();
            Part<THistoryComboBox>(*form, "edDestDir")->setEditText(FWork.filePath(QStringLiteral("dest")));
            Part<QRadioButton>(*form, "rbOverwrite1")->click();
            TMainForm::SetNextFileName(task);
            form->bbSaveAsClick();
            QVERIFY(QFileInfo::exists(task));
            QCOMPARE(form->EditStatus(), esSaved);
            QVERIFY(form->windowTitle().endsWith(QStringLiteral("[phone]")));
            QVERIFY(!Part<TOxButton>(*form, "bbSave")->isEnabled());

            Part<QRadioButton>(*form, "rbOverwrite2")->click();
            QCOMPARE(form->EditStatus(), esChanged);
            QVERIFY(Part<TOxButton>(*form, "bbSave")->isEnabled());
            // Opening another task: cancel keeps everything.
            QString question;
            PushMessageHook([&question](TShowMsgDialog &dialog) {
                question = dialog.Message();
                return int(mrCancel);
            });
            form->bbOpenClick();
            QCOMPARE(question, QStringLiteral("Save changed task to \"phone.tsj\"?"));
            QCOMPARE(form->EditStatus(), esChanged);
            QVERIFY(Part<QRadioButton>(*form, "rbOverwrite2")->isChecked());
            // "No" drops the change and opens the saved task again.
            PushMessageAnswer(mrNo);
            TMainForm::SetNextFileName(task);
            form->bbOpenClick();
            QVERIFY(Idle(*form));
            QVERIFY(Part<QRadioButton>(*form, "rbOverwrite1")->isChecked());
            QCOMPARE(form->EditStatus(), esSaved);
            QCOMPARE(Part<THistoryComboBox>(*form, "edDestDir")->currentText(), FWork.filePath(QStringLiteral("dest")));
            QCOMPARE(form->SelectedIndexes().size(), 2);
            PushMessageAnswer(mrCancel);
            form->close();
        }
    }

    void desktopShortcutAsksCreatesAndAsksBeforeReplacing()
    {
        const QString task = FWork.filePath(QStringLiteral("my.daily.tsj"));
        auto form = FormWithPhone();
        QVERIFY(!Part<TOxButton>(*form, "bbShortcut")->isEnabled());
        Part<THistoryComboBox>(*form, "edDestDir")->setEditText(FWork.filePath(QStringLiteral("daily")));
        TMainForm::SetNextFileName(task);
        form->bbSaveAsClick();
        QVERIFY(Part<TOxButton>(*form, "bbShortcut")->isEnabled());
        const QString launcher =
            DetermineDesktopDir(TSystemEnvironment::FromSystem()) + QStringLiteral("Qy-Tesar-my.daily.desktop");
        QFile::remove(launcher);
        QStringList questions;
        const auto answer = [&questions](int result) {
            PushMessageHook([&questions, result](TShowMsgDialog &dialog) {
                questions << dialog.Message();
                return result;
            });
        };
        answer(mrNo);
        Part<TOxButton>(*form, "bbShortcut")->click();
        QVERIFY(!QFileInfo::exists(launcher));
        answer(mrYes);
        Part<TOxButton>(*form, "bbShortcut")->click();
        QVERIFY(QFileInfo(launcher).isExecutable());
        answer(mrYes);
        Part<TOxButton>(*form, "bbShortcut")->click();
        QCOMPARE(questions.size(), 3);
        QVERIFY(questions[1].endsWith(QStringLiteral("Create desktop shortcut for \"my.daily\"?")));
        QVERIFY(questions[2].endsWith(QStringLiteral("Replace existing desktop shortcut \"Qy-Tesar-my.daily\"?")));
        PushMessageAnswer(mrCancel);
        form->close();
    }

    void forceAndCloseRunsTheTaskAndWritesTheLog()
    {
        const QString task = FWork.filePath(QStringLiteral("nightly.tsj"));
        {
            auto form = FormWithPhone();
            Part<THistoryComboBox>(*form, "edDestDir")->setEditText(FWork.filePath(QStringLiteral("nightly")));
            TMainForm::SetNextFileName(task);
            form->bbSaveAsClick();
            form->close();
        }
        auto form = MakeForm({task, QStringLiteral("/force"), QStringLiteral("-c")});
        QVERIFY(form->ForceTask() && form->CloseProg());
        QTRY_VERIFY2_WITH_TIMEOUT(!form->isVisible(),
                                  qPrintable(Part<QPlainTextEdit>(*form, "meProgress")->toPlainText()), 10000);
        const QString log = form->Locations().ConfigDir + QStringLiteral("ts-nightly.log");
        QVERIFY2(QFileInfo::exists(log), qPrintable(log));
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.contains(QStringLiteral("==> Start: ")));
        QVERIFY(text.contains(QStringLiteral("==> Backup finished: ")));
        QVERIFY(QFileInfo::exists(FWork.filePath(QStringLiteral("nightly/SD card/Docs/readme.txt"))));

        // The program itself, started as a desktop launcher starts it.
        QFile::remove(log);
        QProcess program;
        program.start(QStringLiteral(TESSARIL_GUI),
                      {task, QStringLiteral("/f"), QStringLiteral("/close"), QStringLiteral("/lang:de")});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        // Outside the test mode of the standard paths the program keeps its files in the configuration home.
        QDirIterator logs(TestHome(), {QStringLiteral("ts-nightly.log")}, QDir::Files | QDir::Hidden,
                          QDirIterator::Subdirectories);
        QVERIFY(logs.hasNext());
        QFile programLog(logs.next());
        QVERIFY(programLog.open(QIODevice::ReadOnly));
        QVERIFY(programLog.readAll().contains("==> "));
    }

    void absolutePathsAreTaskFilesNotOptions()
    {
        const TRunOptions options = ParseRunOptions(
            {QStringLiteral("/home/anna/Quenbry/daily.tsj"), QStringLiteral("/f"), QStringLiteral("/ini:/etc/q.ini")});
        QCOMPARE(options.TaskArgument, QStringLiteral("/home/anna/Quenbry/daily.tsj"));
        QVERIFY(options.ForceTask);
        QVERIFY(!ParseCommandOption(QStringLiteral("/tmp/a:b.tsj")).has_value());
        QVERIFY(ParseCommandOption(QStringLiteral("/lang:de/x")).has_value());
    }

    // Starts a run on the slow device (three files, slow reads) into dest.
    std::unique_ptr<TMainForm> FormRunningSlowly(const QTemporaryDir &dest)
    {
        auto form = MakeForm();
        form->StartTimer()->stop();
        form->tmStartTimer();
        form->SelectDevice(RowOf(*form, QStringLiteral("Slow")), true);
        if (!Idle(*form))
            qWarning("the tree read did not end");
        Part<THistoryComboBox>(*form, "edDestDir")->setEditText(dest.path());
        form->bbStartClick();
        return form;
    }

    void windowStaysLiveDuringARunAndClosingAsksThenStopsIt()
    {
        QTemporaryDir dest;
        auto form = FormRunningSlowly(dest);
        // The run goes on on the job's worker: the window is live and locked,
        // but for the start button, which stops now.
        QVERIFY(form->IsRunning());
        auto *start = Part<TOxButton>(*form, "bbStart");
        QVERIFY(start->isEnabled());
        QCOMPARE(start->text(), QStringLiteral("&Stop"));
        QVERIFY(!Part<QListWidget>(*form, "lbDevices")->isEnabled());
        QVERIFY(!Part<QGroupBox>(*form, "gbTimeSlot")->isEnabled());
        QVERIFY(Part<TOxButton>(*form, "bbQuit")->isEnabled());
        // Closing asks first; "No" lets the run go on.
        QString question;
        PushMessageHook([&question](TShowMsgDialog &dialog) {
            question = dialog.Message();
            return int(mrNo);
        });
        form->close();
        QCOMPARE(question, QStringLiteral("A backup is running. Stop it and quit?"));
        QVERIFY(form->isVisible());
        QVERIFY(form->IsRunning());
        PushMessageAnswer(mrYes);
        form->close();
        QVERIFY(Idle(*form));
        QTRY_VERIFY(!form->isVisible());
        QVERIFY(!QFileInfo::exists(dest.filePath(QStringLiteral("Card/c.bin"))));
    }

    void stopCancelsTheCurrentFileAndEndsTheRun()
    {
        QTemporaryDir dest;
        auto form = FormRunningSlowly(dest);
        auto *start = Part<TOxButton>(*form, "bbStart");
        QVERIFY(form->IsRunning());
        start->click();
        QVERIFY(Idle(*form));
        const QStringList log = form->Job().Log().Lines();
        QVERIFY2(log.contains(QStringLiteral("Backup cancelled")), qPrintable(log.join(QLatin1Char('\n'))));
        for (const QString &line : log)
            QVERIFY2(!line.contains(QStringLiteral("Error")), qPrintable(line));
        // No partial file: what is there is whole.
        for (const auto &[name, content] : FilesBelow(dest.path()).asKeyValueRange())
            QCOMPARE(content.size(), 256 * 1024);
        QVERIFY(!QFileInfo::exists(dest.filePath(QStringLiteral("Card/c.bin"))));
        QCOMPARE(start->text(), QStringLiteral("&Start backup"));
        QVERIFY(start->isEnabled());
        QCOMPARE(Part<QLineEdit>(*form, "edLastDir")->text(), QStringLiteral("Backup cancelled"));
        QTRY_VERIFY(start->hasFocus() || !QApplication::focusWindow());
    }

    // Clicking another device, reloading the list or starting a backup while a
    // large tree is read once re-entered the read and freed what it filled.
    void actingWhileATreeIsReadIsRefused()
    {
        QTemporaryDir dest;
        auto form = MakeForm();
        form->StartTimer()->stop();
        form->tmStartTimer();
        Part<THistoryComboBox>(*form, "edDestDir")->setEditText(dest.path());
        const int phone = PhoneRow(*form);
        int actions = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] {
            if (!form->Job().IsBusy())
                return;
            switch (actions++ % 3) {
            case 0:
                form->SelectDevice(phone, true);
                break;
            case 1:
                form->RefreshDeviceList();
                break;
            default:
                form->bbStartClick();
                break;
            }
        });
        ticker.start(1);
        form->SelectDevice(RowOf(*form, QStringLiteral("Big")), true);
        QVERIFY(form->Job().IsBusy());
        QVERIFY(!Part<QListWidget>(*form, "lbDevices")->isEnabled() &&
                !Part<TOxButton>(*form, "bbRefresh")->isEnabled() && !Part<TOxButton>(*form, "bbStart")->isEnabled());
        QVERIFY(Idle(*form));
        ticker.stop();
        QVERIFY(actions > 0);
        QCOMPARE(Part<QGroupBox>(*form, "gbDevice")->title(), QStringLiteral("Big"));
        QTreeWidgetItem *root = Part<QTreeWidget>(*form, "tvObjects")->topLevelItem(0);
        QVERIFY(root);
        QCOMPARE(root->text(0), QStringLiteral("Big"));
        const QStringList lines = form->Job().Log().Lines();
        QCOMPARE(lines.filter(QStringLiteral("directories found")).size(), 1);
        QCOMPARE(lines.last(), QStringLiteral("    1500 directories found"));
        QCOMPARE(Part<QPlainTextEdit>(*form, "meProgress")->toPlainText(), lines.join(QLatin1Char('\n')));
        QVERIFY(QDir(dest.path()).isEmpty());
        QVERIFY(Part<QListWidget>(*form, "lbDevices")->isEnabled() && Part<TOxButton>(*form, "bbStart")->isEnabled());
    }

    // Typing 0 days, Tab, Esc and "Start backup" once ran with 0 days; an
    // empty destination wrote into the program's working folder.
    void aRunWithARefusedConfigurationShowsWhyAndDoesNotStart()
    {
        auto form = FormWithPhone();
        QTemporaryDir dest;
        QStringList messages;
        const auto capture = [&messages](TShowMsgDialog &dialog) {
            messages << dialog.Message();
            return int(mrOk);
        };
        bool started = false;
        connect(&form->Job(), &TMainJob::RunStarted, this, [&started] { started = true; });

        Part<THistoryComboBox>(*form, "edDestDir")->setEditText(QString());
        PushMessageHook(capture);
        form->bbStartClick();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.last().contains(QStringLiteral("No destination directory")), qPrintable(messages.last()));
        Part<THistoryComboBox>(*form, "edDestDir")->setEditText(QStringLiteral("relative/dir"));
        PushMessageHook(capture);
        form->bbStartClick();
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages.last().contains(QStringLiteral("relative/dir")));

        Part<THistoryComboBox>(*form, "edDestDir")->setEditText(dest.path());
        Part<QComboBox>(*form, "cbTimeSlot")->setCurrentIndex(5);
        Part<TRangeEdit>(*form, "reDays")->setFocus();
        QTest::keyClick(Part<TRangeEdit>(*form, "reDays"), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(Part<TRangeEdit>(*form, "reDays"), QStringLiteral("0"));
        // Tab shows the edit's range error, which Esc closes; the 0 stays.
        PushMessageHook([&messages](TShowMsgDialog &dialog) {
            messages << dialog.Message();
            return int(mrCancel);
        });
        QTest::keyClick(Part<TRangeEdit>(*form, "reDays"), Qt::Key_Tab);
        QVERIFY(QTest::qWaitFor([&messages] { return messages.size() == 3; }, 5000));
        PushMessageHook(capture);
        form->bbStartClick();
        QVERIFY(Idle(*form));
        QCOMPARE(form->Job().Config.TmPeriod.Days, 0);
        QCOMPARE(messages.size(), 4);
        QVERIFY2(messages.last().contains(QStringLiteral("9999")), qPrintable(messages.last()));
        QVERIFY(!started);
        QVERIFY(!QDir(QStringLiteral("relative")).exists());
    }

    void darkOptionSwitchesTheDarkStyleOn()
    {
        auto form = MakeForm({QStringLiteral("/D")});
        QVERIFY(form->UseDarkMode());
        QVERIFY(QApplication::palette().color(QPalette::Window).lightness() < 128);
        ApplyDarkMode(false);
    }

    void copyToClipboardTakesSelectionOrAll()
    {
        auto form = FormWithPhone();
        Part<TOxButton>(*form, "bbCopy")->click();
        QCOMPARE(QApplication::clipboard()->text(), Part<QPlainTextEdit>(*form, "meProgress")->toPlainText());
        QTextCursor cursor(Part<QPlainTextEdit>(*form, "meProgress")->document()->firstBlock());
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        Part<QPlainTextEdit>(*form, "meProgress")->setTextCursor(cursor);
        Part<TOxButton>(*form, "bbCopy")->click();
        QCOMPARE(QApplication::clipboard()->text(),
                 Part<QPlainTextEdit>(*form, "meProgress")->document()->firstBlock().text());
        QVERIFY(!Part<QPlainTextEdit>(*form, "meProgress")->textCursor().hasSelection());
    }
};

TESSARIL_UI_TEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
