// Takes the screenshots of the documentation: the main window in the light
// and the dark style, during and after a demo backup, and every kind of
// message. Run by scripts/screenshots.sh under Xvfb with a folder of
// simulated devices.
#include "ui/Appearance.h"
#include "ui/DialogPlace.h"
#include "ui/Help.h"
#include "ui/IconList.h"
#include "ui/IconSets.h"
#include "ui/MainForm.h"
#include "ui/MessageDialog.h"

#include "app/Locations.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QPainter>
#include <QTimer>
#include <QTreeWidget>

namespace {

QString OutputFolder;

void Settle(int ms = 150)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
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

void ShootWindow(TMainForm &form, const QString &suffix)
{
    form.tmStartTimer();
    for (int i = 0; i < form.lbDevices->count(); ++i)
        if (form.lbDevices->item(i)->text().startsWith(QLatin1String("Pixel")))
            form.SelectDevice(i, true);
    WaitIdle(form);
    if (QTreeWidgetItem *root = form.tvObjects->topLevelItem(0)) {
        if (QTreeWidgetItem *storage = root->child(0)) {
            storage->setExpanded(true);
            for (int i = 0; i < storage->childCount(); ++i)
                if (storage->child(i)->text(0) == QLatin1String("DCIM")) {
                    storage->child(i)->setExpanded(true);
                    if (QTreeWidgetItem *camera = storage->child(i)->child(0)) {
                        form.tvObjects->setCurrentItem(camera, 0, QItemSelectionModel::NoUpdate);
                        form.ShowFolderFiles(camera->data(0, Qt::UserRole + 1).toInt());
                    }
                }
        }
    }
    form.lvFilesColumnClick(1);
    Save(form, QStringLiteral("main-ready%1").arg(suffix));
    // During the run: a shot while the job's worker copies.
    bool shotDuring = false;
    QTimer during;
    QObject::connect(&during, &QTimer::timeout, &form, [&] {
        if (shotDuring || !form.IsRunning() || form.Job().Log().Lines().size() < 12)
            return;
        shotDuring = true;
        Save(form, QStringLiteral("main-running%1").arg(suffix));
    });
    during.start(100);
    form.bbStartClick();
    WaitIdle(form);
    during.stop();
    Save(form, QStringLiteral("main-finished%1").arg(suffix));
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

    for (const bool dark : {false, true}) {
        ApplyDarkMode(dark);
        const QString suffix = dark ? QStringLiteral("-dark") : QString();
        ShootIcons(suffix);
        TMainFormStart start;
        start.Env = TSystemEnvironment::FromSystem();
        start.Locations = DetermineLocations(start.Env, {});
        TMainForm form(std::move(start));
        form.StartTimer()->setInterval(3600 * 1000);
        form.show();
        form.move(40, 30);
        Settle(300);
        form.edDestDir->setEditText(destination + suffix);
        // The dark round shows the controls that only some settings bring up.
        if (dark) {
            form.cbComp->setChecked(true);
            form.UpdateCompressControls();
            form.cbTimeSlot->setCurrentIndex(3);
        }
        ShootWindow(form, suffix);
        if (!dark) {
            form.cbTimeSlot->setCurrentIndex(5);
            form.cbComp->setChecked(true);
            form.cbZipComp->setChecked(true);
            form.UpdateCompressControls();
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
        PushMessageAnswer(mrNo);
        form.close();
        ClearMessageHooks();
    }
    return 0;
}
