#include "UiTestSupport.h"

#include "ui/DataFolders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// The installed layout: <prefix>/bin/tessaril beside <prefix>/share/tessaril.
class DataFoldersTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        QVERIFY(FPrefix.isValid());
        QVERIFY(QDir().mkpath(FPrefix.filePath(QStringLiteral("bin"))));
    }

    void installedFolderIsFoundFromTheProgramFolder_data()
    {
        QTest::addColumn<QString>("made");
        QTest::addColumn<QString>("programFolder");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("found");
        QTest::newRow("installed") << "share/tessaril/translations"
                                   << "bin"
                                   << "translations" << true;
        QTest::newRow("trailing slash") << "share/tessaril/help"
                                        << "bin/"
                                        << "help" << true;
        QTest::newRow("other kind only") << "share/tessaril/help"
                                         << "bin"
                                         << "translations" << false;
        QTest::newRow("build tree") << ""
                                    << "bin"
                                    << "help" << false;
        QTest::newRow("a file, not a folder") << "share/tessaril"
                                              << "bin"
                                              << "help" << false;
    }

    void installedFolderIsFoundFromTheProgramFolder()
    {
        QFETCH(QString, made);
        QFETCH(QString, programFolder);
        QFETCH(QString, kind);
        QFETCH(bool, found);
        if (made == QLatin1String("share/tessaril")) {
            QVERIFY(QDir().mkpath(FPrefix.filePath(QStringLiteral("share/tessaril"))));
            QFile file(FPrefix.filePath(QStringLiteral("share/tessaril/") + kind));
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (!made.isEmpty()) {
            QVERIFY(QDir().mkpath(FPrefix.filePath(made)));
        }
        const QString folder = InstalledDataFolder(FPrefix.filePath(programFolder), kind);
        QCOMPARE(folder, found ? FPrefix.filePath(QStringLiteral("share/tessaril/") + kind) : QString());
        QCOMPARE(InstalledDataFolder(QString(), kind), QString());
        QVERIFY(QDir(FPrefix.filePath(QStringLiteral("share"))).removeRecursively() || made.isEmpty());
    }

    // An installed page wins; a page missing there still comes from the
    // program; a name that leaves the folder is no page at all.
    void helpPageComesFromTheInstalledFolderFirst()
    {
        const QString help = FPrefix.filePath(QStringLiteral("share/tessaril/help"));
        QVERIFY(QDir().mkpath(help));
        QFile page(help + QStringLiteral("/qy-device.html"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.close();
        QFile outside(FPrefix.filePath(QStringLiteral("share/tessaril/secret.html")));
        QVERIFY(outside.open(QIODevice::WriteOnly));
        outside.close();
        const QString bin = FPrefix.filePath(QStringLiteral("bin"));

        QCOMPARE(HelpPageSource(bin, QStringLiteral("qy-device.html")), QUrl::fromLocalFile(page.fileName()));
        QCOMPARE(HelpPageSource(QString(), QStringLiteral("qy-device.html")),
                 QUrl(QStringLiteral("qrc:/help/qy-device.html")));
        QVERIFY(QDir(help).removeRecursively());
        QVERIFY(QDir().mkpath(help));
        QCOMPARE(HelpPageSource(bin, QStringLiteral("qy-device.html")),
                 QUrl(QStringLiteral("qrc:/help/qy-device.html")));
        QCOMPARE(HelpPageSource(bin, QStringLiteral("../secret.html")), QUrl());
        QCOMPARE(HelpPageSource(bin, QStringLiteral("nothing-here.html")), QUrl());
        QCOMPARE(HelpPageSource(bin, QString()), QUrl());
    }

private:
    QTemporaryDir FPrefix;
};

TESSARIL_UI_TEST_MAIN(DataFoldersTest)
#include "DataFoldersTest.moc"
