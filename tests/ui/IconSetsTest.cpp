#include "UiTestSupport.h"

#include "ui/IconList.h"
#include "ui/IconSets.h"
#include "ui/MessageDialog.h"
#include "ui/OxButton.h"
#include "ui/StartUp.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <zip.h>

namespace {

const QByteArray ArchiveOk = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 24 24\"><rect width=\"24\" "
                             "height=\"24\" fill=\"#ff00ff\"/></svg>";

// Writes an archive with libzip, so the reader meets a zip it did not make itself.
void WriteArchive(const QString &fileName, const QList<QPair<QString, QByteArray>> &entries)
{
    int error = 0;
    zip_t *archive = zip_open(QFile::encodeName(fileName).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    QVERIFY(archive);
    for (const auto &entry : entries) {
        // libzip frees the copy when the archive is written.
        void *copy = malloc(static_cast<size_t>(entry.second.size()));
        memcpy(copy, entry.second.constData(), static_cast<size_t>(entry.second.size()));
        zip_source_t *source = zip_source_buffer(archive, copy, static_cast<zip_uint64_t>(entry.second.size()), 1);
        QVERIFY(source);
        QVERIFY(zip_file_add(archive, entry.first.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) >= 0);
    }
    QCOMPARE(zip_close(archive), 0);
}

} // namespace

class IconSetsTest : public QObject
{
    Q_OBJECT
    QTemporaryDir FImages;

private Q_SLOTS:
    void cleanup() { LoadIconSets(QString(), {}, 0); }

    void everyBuiltInIconRenders()
    {
        const QStringList names = QDir(QStringLiteral(":/icons")).entryList({QStringLiteral("*.svg")});
        QVERIFY(names.size() >= 40);
        for (const QString &file : names) {
            const QString name = file.chopped(4);
            const QPixmap pixmap = TIconList::Render(TIconList::BuiltInSvg(name), 32);
            QVERIFY2(!pixmap.isNull(), qPrintable(name));
            const QImage image = pixmap.toImage();
            bool drawn = false;
            for (int y = 0; y < image.height() && !drawn; ++y)
                for (int x = 0; x < image.width() && !drawn; ++x)
                    drawn = qAlpha(image.pixel(x, y)) > 0;
            QVERIFY2(drawn, qPrintable(name));
        }
    }

    void styleChoice_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("family");
        QTest::addColumn<int>("style");
        QTest::newRow("nothing") << QStringList{} << -1 << 0;
        QTest::newRow("design plain") << QStringList{"/design:plain"} << -1 << 1;
        QTest::newRow("short form") << QStringList{"/d:p"} << -1 << 1;
        QTest::newRow("dash form") << QStringList{"-DES:PL"} << -1 << 1;
        QTest::newRow("unknown design") << QStringList{"/design:x"} << 1 << 0;
        QTest::newRow("last one wins") << QStringList{"/design:plain", "/design:none"} << -1 << 0;
        QTest::newRow("family setting") << QStringList{"task.tsj"} << 1 << 1;
        QTest::newRow("unknown family style") << QStringList{} << 7 << 0;
        QTest::newRow("other option") << QStringList{"/dark"} << 0 << 0;
        QTest::newRow("not a prefix") << QStringList{"/designs:plain"} << -1 << 0;
    }
    void styleChoice()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, family);
        QFETCH(int, style);
        QCOMPARE(IconStyleIndex(arguments, family), style);
    }

    void familyIconStyle()
    {
        QCOMPARE(FamilyIconStyle(FImages.filePath(QStringLiteral("missing.cfg"))), -1);
        const QString config = FImages.filePath(QStringLiteral("family.cfg"));
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Config]\nIconStyle=1\n");
        file.close();
        QCOMPARE(FamilyIconStyle(config), 1);
        // A file too large to be read as settings must not stop the start.
        QVERIFY(file.resize(65 * 1024 * 1024));
        QCOMPARE(FamilyIconStyle(config), 0);
        QFile::remove(config);
    }

    void withoutArchivesEveryIconIsBuiltIn()
    {
        LoadIconSets(FImages.path(), {QStringLiteral("content"), QStringLiteral("dialogs")}, 1);
        TIconList list(24, {QStringLiteral("ok"), QStringLiteral("close")});
        ApplyIconSet(QStringLiteral("dialogs"), {&list});
        QCOMPARE(list.Svg(0), TIconList::BuiltInSvg(QStringLiteral("ok")));
    }

    void archiveReplacesOnlyItsIcons()
    {
        WriteArchive(FImages.filePath(QStringLiteral("dialogs-plain.zip")),
                     {{QStringLiteral("readme.txt"), "x"}, {QStringLiteral("OK.SVG"), ArchiveOk}});
        LoadIconSets(FImages.path(), {QStringLiteral("content"), QStringLiteral("dialogs")}, 1);
        QVERIFY(ZipImageCollection().GetZipFile(QStringLiteral("DIALOGS")));
        QVERIFY(!ZipImageCollection().GetZipFile(QStringLiteral("content")));

        TIconList list(24, {QStringLiteral("ok"), QStringLiteral("close")});
        int changes = 0;
        connect(&list, &TIconList::Changed, this, [&changes] { ++changes; });
        ApplyIconSet(QStringLiteral("dialogs"), {&list});
        QCOMPARE(list.Svg(0), ArchiveOk);
        QCOMPARE(list.Svg(1), TIconList::BuiltInSvg(QStringLiteral("close")));
        QCOMPARE(changes, 1);

        // The message dialog takes its "OK" glyph from the set.
        PushMessageHook([](TShowMsgDialog &dialog) {
            TOxButton *yes = dialog.MiddleButton();
            const QImage glyph = yes->Images()->Pixmap(yes->ImageIndex()).toImage();
            return glyph.pixelColor(12, 12) == QColor(0xff, 0x00, 0xff) ? int(mrYes) : int(mrNo);
        });
        QVERIFY(ConfirmDialog(QPoint(-1, -1), QStringLiteral("Continue?"), mbYes));
    }

    void styleNoneKeepsBuiltInIcons()
    {
        WriteArchive(FImages.filePath(QStringLiteral("dialogs-plain.zip")), {{QStringLiteral("ok.svg"), ArchiveOk}});
        LoadIconSets(FImages.path(), {QStringLiteral("dialogs")}, 0);
        TIconList list(24, {QStringLiteral("ok")});
        ApplyIconSet(QStringLiteral("dialogs"), {&list});
        QCOMPARE(list.Svg(0), TIconList::BuiltInSvg(QStringLiteral("ok")));
    }

    void brokenArchivesAndEntriesAreHarmless()
    {
        QFile broken(FImages.filePath(QStringLiteral("default-plain.zip")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("PK\x03\x04 this is not a zip archive");
        broken.close();
        WriteArchive(FImages.filePath(QStringLiteral("content-plain.zip")),
                     {{QStringLiteral("image.svg"), "not an svg document"}});
        LoadIconSets(FImages.path(), {QStringLiteral("content")}, 1);
        QVERIFY(!ZipImageCollection().GetZipFile(QStringLiteral("default")));
        TIconList defaults(24, {QStringLiteral("save")});
        ApplyDefaultIconSet({&defaults});
        QCOMPARE(defaults.Svg(0), TIconList::BuiltInSvg(QStringLiteral("save")));
        TIconList content(16, {QStringLiteral("image")});
        ApplyIconSet(QStringLiteral("content"), {&content});
        QCOMPARE(content.Svg(0), TIconList::BuiltInSvg(QStringLiteral("image")));
    }

    void iconListScalesWithTheMonitor()
    {
        TIconList list(24, {QStringLiteral("save")});
        list.SetScale(144);
        QCOMPARE(list.Size(), 36);
        QCOMPARE(list.Pixmap(0).width(), 36);
        list.SetScale(96);
        QCOMPARE(list.Icon(0).availableSizes().first(), QSize(24, 24));
    }
};

TESSARIL_UI_TEST_MAIN(IconSetsTest)
#include "IconSetsTest.moc"
