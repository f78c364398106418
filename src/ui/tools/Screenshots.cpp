// Takes the screenshots of the documentation: the main window in the light
// and the dark style, during (with its progress) and after a demo backup and
// with the preview of a second run, and every kind of
// message, and each of the program's dialogs in the light and the dark style
// and in German. Run by scripts/screenshots.sh under Xvfb with a folder of
// simulated devices.
#include "ui/Appearance.h"
#include "ui/DialogPlace.h"
#include "ui/Help.h"
#include "ui/IconList.h"
#include "ui/IconSets.h"
#include "ui/MainForm.h"
#include "ui/MessageDialog.h"
#include "ui/StartUp.h"
#include "ui/UiText.h"
#include "ui/dialogs/ChoiceDialog.h"
#include "ui/dialogs/DirectoryChooser.h"
#include "ui/dialogs/FilterDialog.h"
#include "ui/dialogs/InputDialog.h"
#include "ui/dialogs/ListEditor.h"
#include "ui/dialogs/PlaceholderDialog.h"

#include "app/Locations.h"
#include "app/LogMessages.h"
#include "filter/TextFilter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

namespace {

QString OutputFolder;

void Settle(int ms = 150)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

template <typename T> T *Part(QWidget &form, const char *name)
{
    return form.findChild<T *>(QString::fromLatin1(name));
}

// The job reads trees and runs backups on its worker; the shots wait for the end.
void WaitIdle(TMainForm &form)
{
    while (form.Job().IsBusy())
        Settle(50);
}

void Save(QWidget &widget, const QString &name)
{
    Settle();
    const QString file = QDir(OutputFolder).filePath(name + QStringLiteral(".png"));
    widget.grab().save(file);
    qInfo("%s", qPrintable(file));
}

void ShootMessages(const QString &suffix)
{
    struct TShot
    {
        const char *Name;
        TMsgDialogType Type;
        TMsgDlgBtn Default;
        const char *Text;
    };
    const TShot shots[] = {
        {"information", mdtInformation, mbYes, "Backup finished|1,234 files copied to /home/anna/Backup/Pixel 7"},
        {"warning", mdtWarning, mbYes, "The destination folder lies on the device itself."},
        {"error", mdtError, mbYes, "Error creating desktop shortcut!\r\nPermission denied"},
        {"confirm", mdtConfirm, mbYes, "Reset to default configuration?"},
        {"confirm-error", mdtConfirmError, mbYes, "The file could not be written.\r\nContinue anyway?"},
        {"confirm-retry", mdtConfirmRetry, mbRetry, "Portable device \"Pixel 7\" does not answer."},
        {"confirm-cancel", mdtConfirmCancel, mbYes, "Replace the existing task?"},
        {"confirm-yesno", mdtConfirmYesNo, mbNo, "Save changed task to \"phone.tsj\"?"},
        {"hint", mdtCustom, mbYes, "Select the directories to be backed up"},
    };
    for (const TShot &shot : shots) {
        PushMessageHook([&shot, &suffix](TShowMsgDialog &dialog) {
            dialog.show();
            Save(dialog, QStringLiteral("message-%1%2").arg(QString::fromLatin1(shot.Name), suffix));
            dialog.hide();
            return int(mrCancel);
        });
        ShowMessageDialog(CenterPos, QString::fromUtf8(shot.Text), 0, shot.Type, shot.Default, nullptr);
    }
}

// Shows a prepared dialog, saves it and cancels it.
template <typename TDialog> std::function<int(TDialog &)> ShootHook(const QString &name)
{
    return [name](TDialog &dialog) {
        dialog.show();
        Save(dialog, name);
        dialog.hide();
        return int(QDialog::Rejected);
    };
}

void ShootDialogs(const QString &suffix, TShellDirDialog &chooser)
{
    QString text = QStringLiteral("Holiday 2026");
    TInputHooks::Push(ShootHook<TInputStringDialog>(QStringLiteral("dialog-input%1").arg(suffix)));
    InputText(CenterPos, DlgText::tr("Add item"), DlgText::tr("New subdirectory:"), text);

    TChoiceHooks::Push([suffix](TSelectDialog &dialog) {
        ShootHook<TSelectDialog>(QStringLiteral("dialog-choice%1").arg(suffix))(dialog);
        return -1;
    });
    ChoiceDialog(DlgText::tr("Delete directory"), DlgText::tr("Delete \"%1\"").arg(QStringLiteral("/home/anna/Old")),
                 mtConfirmation, fsBold, {DlgText::tr("Definitely"), DlgText::tr("To recycle bin")});

    QStringList types{QStringLiteral("7z"),  QStringLiteral("gz"),  QStringLiteral("jpg"), QStringLiteral("mp3"),
                      QStringLiteral("mp4"), QStringLiteral("png"), QStringLiteral("rar"), QStringLiteral("zip")};
    QString selected;
    TListEditorHooks::Push(ShootHook<TSelectFromListDialog>(QStringLiteral("dialog-list%1").arg(suffix)));
    EditList(CenterPos, PrgText::tr("File types not to compress"), PrgText::tr("Type"),
             soEdit | soOrder | soMulti | soNoConfirm, 2, QStringLiteral("7z,gz,jpg,mp3,mp4,png,rar,zip"), types,
             selected);
    QStringList masks{QStringLiteral("*.jpg"), QStringLiteral("*.png")};
    TListEditorHooks::Push(ShootHook<TSelectFromListDialog>(QStringLiteral("dialog-masks%1").arg(suffix)));
    EditList(CenterPos, DlgText::tr("Filter expressions:").remove(QLatin1Char('&')),
             DlgText::tr("Text filter dialog") + QLatin1Char(':'), soEdit | soOrder | soDelAll | soNoConfirm, 0,
             QStringLiteral("*.jpg|*.png"), masks, selected);

    TTextFilter filter;
    filter.SetMode(fmInclude);
    filter.SetFilter(QStringLiteral("*.jpg|*.png"));
    TFilterHooks::Push(ShootHook<TFilterDialog>(QStringLiteral("dialog-filter%1").arg(suffix)));
    ShowFilterDialog(CenterPos, PrgText::tr("Filter for filenames"), PrgText::tr("Backup files"), true, true, filter);

    TPlaceholderHooks::Push(ShootHook<TPlaceHolderDialog>(QStringLiteral("dialog-placeholder%1").arg(suffix)));
    SelectPlaceholder(CenterPos, ptPortable, QStringLiteral("Pixel 7"));

    QString dir = QDir::home().filePath(QStringLiteral("Backup"));
    TDirectoryHooks::Push([suffix](TShellDirDialog &dialog) {
        dialog.show();
        dialog.SetShowFiles(true);
        Save(dialog, QStringLiteral("dialog-directory%1").arg(suffix));
        dialog.SetShowFiles(false);
        dialog.hide();
        return int(QDialog::Rejected);
    });
    chooser.Execute(PrgText::tr("Select destination directory"), true, true, QString(), dir);
}

void ShootIcons(const QString &suffix)
{
    const QStringList names = QDir(QStringLiteral(":/icons")).entryList({QStringLiteral("*.svg")});
    const int columns = 12;
    const int cell = 64;
    QPixmap sheet(columns * cell, ((names.size() + columns - 1) / columns) * cell);
    sheet.fill(QApplication::palette().color(QPalette::Window));
    QPainter painter(&sheet);
    for (int i = 0; i < names.size(); ++i) {
        const QByteArray svg = TIconList::BuiltInSvg(names[i].chopped(4));
        const QPoint at((i % columns) * cell, (i / columns) * cell);
        painter.drawPixmap(at + QPoint(4, 4), TIconList::Render(svg, 24));
        painter.drawPixmap(at + QPoint(30, 4), TIconList::Render(svg, 32));
    }
    painter.end();
    sheet.save(QDir(OutputFolder).filePath(QStringLiteral("icons%1.png").arg(suffix)));
}

// Figures like a run's for the shot during the run, taken from its log, for
// a job that does not report its progress itself.
TRunProgress DemoProgress(const QStringList &log)
{
    TRunProgress progress;
    progress.FilesDone = int(log.filter(QRegularExpression(QStringLiteral("^    [+-] "))).size());
    progress.FilesTotal = 33;
    progress.BytesTotal = 31000000;
    progress.BytesDone = progress.BytesTotal * progress.FilesDone / progress.FilesTotal;
    progress.CurrentFile = QStringLiteral("SD card/Movies/Holiday.mp4");
    progress.CurrentSize = 5200000;
    progress.CurrentDone = 2100000;
    progress.BytesPerSecond = 4.2 * 1024 * 1024;
    progress.SecondsLeft = 42;
    return progress;
}

void ShootWindow(TMainForm &form, const QString &suffix)
{
    form.tmStartTimer();
    auto *devices = Part<QListWidget>(form, "lbDevices");
    for (int i = 0; i < devices->count(); ++i)
        if (devices->item(i)->text().startsWith(QLatin1String("Pixel")))
            form.SelectDevice(i, true);
    // While the phone's tree is read (its many app folders take a while).
    while (form.Job().IsBusy() && !form.Job().Log().Lines().join(QLatin1Char('\n')).contains(ReadingStructureText()))
        Settle(20);
    Settle(100);
    if (form.Job().IsBusy())
        Save(form, QStringLiteral("main-reading%1").arg(suffix));
    WaitIdle(form);
    auto *tree = Part<QTreeWidget>(form, "tvObjects");
    if (QTreeWidgetItem *root = tree->topLevelItem(0)) {
        if (QTreeWidgetItem *storage = root->child(0)) {
            storage->setExpanded(true);
            for (int i = 0; i < storage->childCount(); ++i)
                if (storage->child(i)->text(0) == QLatin1String("DCIM")) {
                    storage->child(i)->setExpanded(true);
                    // The current folder's files are listed.
                    if (QTreeWidgetItem *camera = storage->child(i)->child(0))
                        tree->setCurrentItem(camera, 0, QItemSelectionModel::NoUpdate);
                }
        }
    }
    form.lvFilesColumnClick(1);
    Save(form, QStringLiteral("main-ready%1").arg(suffix));
    // During the run: a shot while the job's worker copies, with its progress.
    bool shotDuring = false;
    bool jobReports = false;
    const QMetaObject::Connection reports =
        QObject::connect(&form.Job(), &TMainJob::RunProgressChanged, &form, [&] { jobReports = true; });
    QTimer during;
    QObject::connect(&during, &QTimer::timeout, &form, [&] {
        if (shotDuring || !form.IsRunning() || form.Job().Log().Lines().size() < 12)
            return;
        shotDuring = true;
        if (!jobReports)
            Q_EMIT form.Job().RunProgressChanged(DemoProgress(form.Job().Log().Lines()));
        Save(form, QStringLiteral("main-running%1").arg(suffix));
    });
    during.start(100);
    form.bbStartClick();
    WaitIdle(form);
    during.stop();
    QObject::disconnect(reports);
    Save(form, QStringLiteral("main-finished%1").arg(suffix));
    // What a second run would do, listed without writing.
    form.bbPreviewClick();
    WaitIdle(form);
    Save(form, QStringLiteral("main-preview%1").arg(suffix));
}

// The window as the program shows it, with the start timer held off so that
// the shots decide when devices are read.
std::unique_ptr<TMainForm> ShowMainWindow()
{
    TMainFormStart start;
    start.Env = TSystemEnvironment::FromSystem();
    start.Locations = DetermineLocations(start.Env, {});
    auto form = std::make_unique<TMainForm>(std::move(start));
    form->StartTimer()->setInterval(3600 * 1000);
    form->show();
    form->move(40, 30);
    Settle(300);
    return form;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    OutputFolder = arguments.value(1, QStringLiteral("."));
    const QString destination = arguments.value(2, QDir::temp().filePath(QStringLiteral("tessaril-shots")));
    LoadIconSets(QStringLiteral("images"), {}, 0);
    SetDarkStyleName(QStringLiteral("Fusion Dark"));
    const std::unique_ptr<TShellDirDialog> chooser = CreateShellDirDialog();

    for (const bool dark : {false, true}) {
        ApplyDarkMode(dark);
        const QString suffix = dark ? QStringLiteral("-dark") : QString();
        ShootIcons(suffix);
        const std::unique_ptr<TMainForm> window = ShowMainWindow();
        TMainForm &form = *window;
        Part<QComboBox>(form, "edDestDir")->setEditText(destination + suffix);
        // The dark round shows the controls that only some settings bring up.
        // The settings of the round before may have ticked it already.
        if (dark) {
            if (!Part<QCheckBox>(form, "cbComp")->isChecked())
                Part<QCheckBox>(form, "cbComp")->click();
            Part<QComboBox>(form, "cbTimeSlot")->setCurrentIndex(3);
        }
        ShootWindow(form, suffix);
        if (!dark) {
            Part<QComboBox>(form, "cbTimeSlot")->setCurrentIndex(5);
            if (!Part<QCheckBox>(form, "cbComp")->isChecked())
                Part<QCheckBox>(form, "cbComp")->click();
            Part<QCheckBox>(form, "cbZipComp")->click();
            Save(form, QStringLiteral("main-options"));
            PushMessageHook([](TShowMsgDialog &dialog) {
                dialog.show();
                Save(dialog, QStringLiteral("version-box"));
                return int(mrCancel);
            });
            form.bbInfoClick();
            ShowHelp(QStringLiteral("qy-device.html"));
            for (QWidget *top : QApplication::topLevelWidgets())
                if (top->objectName() == QLatin1String("HelpWindow") && top->isVisible())
                    Save(*top, QStringLiteral("help"));
            CloseAllHelp();
        }
        ShootMessages(suffix);
        ShootDialogs(suffix, *chooser);
        PushMessageAnswer(mrNo);
        form.close();
        ClearMessageHooks();
    }
    // The main window and the dialogs once more in German, in the light style.
    // The dark round's window took the dark style as its light one, so the
    // light palette is set directly (Fusion's own is the light one).
    QApplication::setPalette(QApplication::style()->standardPalette());
    InstallTranslators(app, QStringLiteral("de"));
    // The program installs its translators before it creates the chooser.
    const std::unique_ptr<TShellDirDialog> germanChooser = CreateShellDirDialog();
    {
        const std::unique_ptr<TMainForm> window = ShowMainWindow();
        TMainForm &form = *window;
        Part<QComboBox>(form, "edDestDir")->setEditText(destination + QStringLiteral("-de"));
        if (!Part<QCheckBox>(form, "cbComp")->isChecked())
            Part<QCheckBox>(form, "cbComp")->click();
        ShootWindow(form, QStringLiteral("-de"));
        PushMessageAnswer(mrNo);
        form.close();
        ClearMessageHooks();
    }
    ShootDialogs(QStringLiteral("-de"), *germanChooser);
    return 0;
}
