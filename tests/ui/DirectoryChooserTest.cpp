#include "UiTestSupport.h"

#include "ui/ComboHistory.h"
#include "ui/MessageDialog.h"
#include "ui/OxButton.h"
#include "ui/dialogs/ChoiceDialog.h"
#include "ui/dialogs/DirectoryChooser.h"
#include "ui/dialogs/FolderActions.h"
#include "ui/dialogs/InputDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeView>

namespace {

void WriteFile(const QString &path, const QByteArray &data = "x")
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// Answers the next messages and keeps their texts.
QStringList *CaptureMessages(int count)
{
    static QStringList messages;
    messages.clear();
    for (int i = 0; i < count; ++i)
        PushMessageHook([](TShowMsgDialog &dialog) {
            messages << dialog.Message();
            return int(mrCancel);
        });
    return &messages;
}

// Runs the chooser with a hook that acts on the prepared dialog.
template <typename F> bool Choose(QString &dir, F &&drive, const QString &homeDir = QString())
{
    TDirectoryHooks::Push([&drive](TShellDirDialog &dialog) { return drive(dialog); });
    return ChooseDirectory(QStringLiteral("Select destination directory"), true, true, homeDir, dir);
}

} // namespace

class DirectoryChooserTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsSet("TESSARIL_TMPFS"))
            return;
        FChooser = CreateShellDirDialog();
        QVERIFY(QDir().mkpath(TestHome() + QStringLiteral("/Documents")));
        QVERIFY(QDir().mkpath(TestHome() + QStringLiteral("/Desktop")));
    }
    void init() { QVERIFY(FWork.isValid()); }
    void cleanup()
    {
        TDirectoryHooks::Clear();
        TChoiceHooks::Clear();
        TInputHooks::Clear();
        ClearMessageHooks();
    }

    void recentFoldersKeepFifteenAndIgnoreCase()
    {
        if (!FChooser)
            QSKIP("runs in the parent process");
        for (int i = 0; i < 16; ++i) {
            QString dir;
            PushDirectoryAnswer(QStringLiteral("/data/folder%1").arg(i));
            QVERIFY(ChooseDirectory(QStringLiteral("Select"), true, true, QString(), dir));
            QCOMPARE(dir, QStringLiteral("/data/folder%1/").arg(i));
        }
        QCOMPARE(FChooser->DirList().size(), 15);
        QCOMPARE(FChooser->DirList().first(), QStringLiteral("/data/folder15"));
        QVERIFY(!FChooser->DirList().contains(QStringLiteral("/data/folder0")));
        QString dir;
        PushDirectoryAnswer(QStringLiteral("/DATA/Folder3"));
        ChooseDirectory(QStringLiteral("Select"), true, true, QString(), dir);
        QCOMPARE(FChooser->DirList().first(), QStringLiteral("/DATA/Folder3"));
        QCOMPARE(FChooser->DirList().size(), 15);
        QCOMPARE(FChooser->DirList().filter(QStringLiteral("folder3"), Qt::CaseInsensitive).size(), 1);

        // Cancel changes neither the folder nor the list.
        dir = QStringLiteral("/keep");
        PushDirectoryAnswer(QString());
        QVERIFY(!ChooseDirectory(QStringLiteral("Select"), true, true, QString(), dir));
        QCOMPARE(dir, QStringLiteral("/keep"));
        QCOMPARE(FChooser->DirList().size(), 15);
    }

    void startFolders()
    {
        if (!FChooser)
            QSKIP("runs in the parent process");
        QString dir;
        Choose(dir, [](TShellDirDialog &dialog) {
            [&] {
                QVERIFY(dialog.btnDesktop->Down());
                QVERIFY(dialog.tvFolders->SelectedPath().isEmpty());
                QVERIFY(!dialog.btnHome->isVisibleTo(&dialog));
                QVERIFY(dialog.cbShowFiles->isVisibleTo(&dialog));
            }();
            return int(QDialog::Rejected);
        });
        dir = FWork.filePath(QStringLiteral("missing"));
        Choose(dir, [](TShellDirDialog &dialog) {
            [&] {
                QVERIFY(dialog.btnComputer->Down());
                QCOMPARE(dialog.tvFolders->SelectedPath(), TestHome() + QStringLiteral("/Documents"));
                QCOMPARE(dialog.FieldText(), TestHome() + QStringLiteral("/Documents"));
            }();
            return int(QDialog::Rejected);
        });
        dir = FWork.path();
        Choose(
            dir,
            [this](TShellDirDialog &dialog) {
                [&] {
                    QCOMPARE(dialog.tvFolders->SelectedPath(), FWork.path());
                    QVERIFY(dialog.btnHome->isVisibleTo(&dialog));
                    QVERIFY(dialog.OKBtn->isEnabled());
                    QVERIFY(!dialog.FreeSpace().isEmpty());
                    QVERIFY(dialog.FreeSpace().contains(QStringLiteral(" free of ")));
                }();
                dialog.OneFolderUp();
                [&] { QCOMPARE(dialog.tvFolders->SelectedPath(), QFileInfo(FWork.path()).path()); }();
                dialog.GoToDefaultFolder();
                [&] { QCOMPARE(dialog.tvFolders->SelectedPath(), TestHome()); }();
                return int(QDialog::Rejected);
            },
            TestHome());
    }

    void enterTakesTheFieldAsItStands()
    {
        if (!FChooser)
            QSKIP("runs in the parent process");
        const int recent = static_cast<int>(FChooser->DirList().size());
        QString dir = FWork.path();
        QVERIFY(Choose(dir, [](TShellDirDialog &dialog) {
            dialog.show();
            QLineEdit *field = dialog.cbDir->lineEdit();
            field->clear();
            QTest::keyClicks(field, QStringLiteral("/no/such/folder"));
            [&] { QVERIFY(!dialog.OKBtn->isEnabled()); }();
            QTest::keyClick(field, Qt::Key_Return);
            return dialog.result();
        }));
        QCOMPARE(dir, QStringLiteral("/no/such/folder/"));
        QCOMPARE(FChooser->DirList().size(), recent);
    }

    void showFilesShowsTheFolderFiles()
    {
        if (!FChooser)
            QSKIP("runs in the parent process");
        WriteFile(FWork.filePath(QStringLiteral("photo.jpg")));
        QString dir = FWork.path();
        Choose(dir, [](TShellDirDialog &dialog) {
            dialog.show();
            const int narrow = dialog.width();
            dialog.SetShowFiles(true);
            [&] {
                QVERIFY(dialog.lvFiles->isVisible());
                QVERIFY(dialog.width() > narrow);
                QTRY_COMPARE(dialog.FileModel->rowCount(dialog.lvFiles->rootIndex()), 1);
            }();
            dialog.SetShowFiles(false);
            [&] { QVERIFY(!dialog.lvFiles->isVisible()); }();
            return int(QDialog::Rejected);
        });
    }

    void createFolder()
    {
        if (!FChooser)
            QSKIP("runs in the parent process");
        QVERIFY(QDir(FWork.path()).mkdir(QStringLiteral("taken")));
        QString dir = FWork.path();
        Choose(dir, [this](TShellDirDialog &dialog) {
            PushInputAnswer(QStringLiteral("new/inner"));
            dialog.CreateNewFolder();
            [&] {
                QVERIFY(QFileInfo(FWork.filePath(QStringLiteral("new/inner"))).isDir());
                QCOMPARE(dialog.tvFolders->SelectedPath(), FWork.filePath(QStringLiteral("new/inner")));
            }();
            dialog.tvFolders->SelectPath(FWork.path());
            const QStringList *messages = CaptureMessages(2);
            PushInputAnswer(QStringLiteral("taken"));
            dialog.CreateNewFolder();
            PushInputAnswer(QStringLiteral(".."));
            dialog.CreateNewFolder();
            [&] {
                QCOMPARE(messages->size(), 2);
                QCOMPARE(messages->at(0),
                         QStringLiteral("Could not create directory:\n%1!\n%2")
                             .arg(FWork.filePath(QStringLiteral("taken")), QString::fromLocal8Bit(strerror(EEXIST))));
                QVERIFY(messages->at(1).endsWith(QString::fromLocal8Bit(strerror(EINVAL))));
            }();
            return int(QDialog::Rejected);
        });
    }

    void deleteForGoodNeverFollowsALink()
    {
        if (!FChooser)
            QSKIP("runs in the parent process");
        const QString outside = FWork.filePath(QStringLiteral("outside"));
        const QString doomed = FWork.filePath(QStringLiteral("doomed"));
        QVERIFY(QDir().mkpath(outside));
        QVERIFY(QDir().mkpath(doomed + QStringLiteral("/sub")));
        WriteFile(outside + QStringLiteral("/keep.txt"));
        WriteFile(doomed + QStringLiteral("/sub/readonly.txt"));
        QFile::setPermissions(doomed + QStringLiteral("/sub/readonly.txt"), QFile::ReadOwner);
        QVERIFY(QFile::link(outside, doomed + QStringLiteral("/link")));
        QString dir = doomed;
        Choose(dir, [&](TShellDirDialog &dialog) {
            const QStringList *messages = CaptureMessages(1);
            PushChoiceAnswer(0);
            dialog.DeleteFolder();
            [&] {
                QCOMPARE(*messages, QStringList{"2 directories with 2 files deleted!"});
                QVERIFY(!QFileInfo::exists(doomed));
                QVERIFY(QFileInfo::exists(outside + QStringLiteral("/keep.txt")));
                QCOMPARE(dialog.tvFolders->SelectedPath(), FWork.path());
            }();
            return int(QDialog::Rejected);
        });
    }

    void deleteToTheTrash()
    {
        if (!FChooser)
            QSKIP("runs in the parent process");
        const QString doomed = FWork.filePath(QStringLiteral("to-trash"));
        QVERIFY(QDir().mkpath(doomed));
        WriteFile(doomed + QStringLiteral("/a.txt"));
        // A new user may have no data folder yet: the Trash is set up all the same.
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).removeRecursively();
        QString dir = doomed;
        QStringList shown;
        Choose(dir, [&](TShellDirDialog &dialog) {
            const QStringList *messages = CaptureMessages(1);
            PushChoiceAnswer(1);
            dialog.DeleteFolder();
            shown = *messages;
            return int(QDialog::Rejected);
        });
        if (!shown.isEmpty() && shown.first().startsWith(QStringLiteral("Error")))
            QSKIP(qPrintable(QStringLiteral("no Trash here: ") + shown.first()));
        QCOMPARE(shown, QStringList{doomed + QStringLiteral(" moved to Recycle Bin!")});
        QVERIFY(!QFileInfo::exists(doomed));
        // The Trash of the temporary home (the test mode of the standard paths
        // moves the data folder below it).
        const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                              QStringLiteral("/Trash/files/to-trash/a.txt");
        QVERIFY(trash.startsWith(TestHome()));

        QVERIFY2(QFileInfo::exists(trash), qPrintable(trash));
    }

    void refusals()
    {
        if (!FChooser)
            QSKIP("runs in the parent process");
        QCOMPARE(FolderDeletionRefusal(QStringLiteral("/"), TestHome()), QString::fromLocal8Bit(strerror(EPERM)));
        QCOMPARE(FolderDeletionRefusal(TestHome(), TestHome()), QString::fromLocal8Bit(strerror(EPERM)));
        QCOMPARE(FolderDeletionRefusal(TestHome() + QStringLiteral("/"), TestHome()),
                 QString::fromLocal8Bit(strerror(EPERM)));
        if (QFileInfo(QStringLiteral("/proc/self")).exists())
            QCOMPARE(FolderDeletionRefusal(QStringLiteral("/proc"), TestHome()),
                     QString::fromLocal8Bit(strerror(EBUSY)));
        QVERIFY(FolderDeletionRefusal(FWork.path(), TestHome()).isEmpty());

        // Through the chooser: the home folder stays, and the message says why.
        QString dir = TestHome();
        Choose(dir, [](TShellDirDialog &dialog) {
            dialog.tvFolders->SelectPath(TestHome());
            const QStringList *messages = CaptureMessages(1);
            PushChoiceAnswer(0);
            dialog.DeleteFolder();
            [&] {
                QCOMPARE(*messages, QStringList{QStringLiteral("Error deleting directory:\n%1!\n%2")
                                                    .arg(TestHome(), QString::fromLocal8Bit(strerror(EPERM)))});
            }();
            return int(QDialog::Rejected);
        });
        QVERIFY(QFileInfo(TestHome() + QStringLiteral("/Documents")).isDir());
    }

    // A small tmpfs, mounted in a user and mount namespace of a child run.
    void smallTmpfs()
    {
        const QString mounted = qEnvironmentVariable("TESSARIL_TMPFS");
        if (mounted.isEmpty()) {
            QProcess child;
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(QStringLiteral("unshare"), {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
                                                    QStringLiteral("mount -t tmpfs -o size=1m tmpfs \"$1\" || exit 77; "
                                                                   "TESSARIL_TMPFS=\"$1\" exec \"$0\" smallTmpfs"),
                                                    QCoreApplication::applicationFilePath(), FWork.path()});
            if (!child.waitForFinished(120000) || child.exitStatus() != QProcess::NormalExit)
                QSKIP("unshare is not available");
            const QByteArray output = child.readAll();
            if (child.exitCode() == 77)
                QSKIP("mounting a tmpfs is not allowed here");
            if (child.exitCode() != 0 && output.startsWith("unshare:"))
                QSKIP(output.constData());
            QVERIFY2(child.exitCode() == 0, output.constData());
            return;
        }
        QCOMPARE(FreeSpaceText(mounted), QStringLiteral("1.00 MiB free of 1.00 MiB"));
        QCOMPARE(FolderDeletionRefusal(mounted, TestHome()), QString::fromLocal8Bit(strerror(EBUSY)));
        // A folder holding a mount point loses what it can and stays.
        const QString outer = TestHome() + QStringLiteral("/outer");
        QVERIFY(QDir().mkpath(outer + QStringLiteral("/mnt")));
        WriteFile(outer + QStringLiteral("/file.txt"));
        const QByteArray mount = "mount -t tmpfs -o size=1m tmpfs " + QFile::encodeName(outer) + "/mnt";
        QCOMPARE(system(mount.constData()), 0);
        TDeleteCounts counts;
        DeleteDirectory(outer, counts);
        QCOMPARE(counts.Files, 1);
        QVERIFY(counts.Failures >= 1);
        QCOMPARE(counts.FirstError, QString::fromLocal8Bit(strerror(EBUSY)));
        QVERIFY(QFileInfo(outer + QStringLiteral("/mnt")).isDir());
    }

private:
    std::unique_ptr<TShellDirDialog> FChooser;
    QTemporaryDir FWork{QDir::tempPath() + QStringLiteral("/chooser-XXXXXX")};
};

TESSARIL_UI_TEST_MAIN(DirectoryChooserTest)
#include "DirectoryChooserTest.moc"
