#include "UiTestSupport.h"

#include "ui/Appearance.h"
#include "ui/IconList.h"

#include <QPalette>
#include <QStyle>

class AppearanceTest : public QObject
{
    Q_OBJECT
    static bool PaletteIsDark() { return QApplication::palette().color(QPalette::Window).lightness() < 128; }

private Q_SLOTS:
    void initTestCase()
    {
        SetDarkStyleName(QStringLiteral("Fusion Dark"));
        ApplyDarkMode(false);
    }

    void lightStyleAtStart()
    {
        QCOMPARE(QApplication::style()->name(), QStringLiteral("fusion"));
        QVERIFY(!PaletteIsDark());
        QVERIFY(!DarkModeActive());
        // Without a portal or desktop setting the palette of the start decides.
        QVERIFY(!IsSystemDarkMode());
    }

    void darkStyleAndBack()
    {
        ApplyDarkMode(true);
        QVERIFY(DarkModeActive());
        QVERIFY(PaletteIsDark());
        QCOMPARE(ActiveStyleName(), QStringLiteral("Fusion Dark"));
        ApplyDarkMode(false);
        QVERIFY(!PaletteIsDark());
    }

    void styleColoursFollowTheDarkStyleOnly()
    {
        const QColor fallback(1, 2, 3);
        QCOMPARE(StyleColor(seComboBoxItem, fallback), fallback);
        QCOMPARE(StyleFontColor(seComboBoxSelected, fallback), fallback);
        ApplyDarkMode(true);
        QCOMPARE(StyleColor(seComboBoxSelected, fallback), QApplication::palette().color(QPalette::Highlight));
        QCOMPARE(StyleFontColor(seComboBoxItem, fallback), QApplication::palette().color(QPalette::Text));
        ApplyDarkMode(false);
    }

    void iconOutlinesTurnLightOnADarkPalette()
    {
        const QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 24 24\">"
                               "<rect width=\"24\" height=\"24\" fill=\"#37474f\"/></svg>";
        const QColor light = TIconList::Render(svg, 24).toImage().pixelColor(12, 12);
        ApplyDarkMode(true);
        const QColor dark = TIconList::Render(svg, 24).toImage().pixelColor(12, 12);
        ApplyDarkMode(false);
        QVERIFY(light.lightness() < 100);
        QVERIFY(dark.lightness() > 180);
    }

    void scaling_data()
    {
        QTest::addColumn<int>("pixels");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("scaled");
        QTest::newRow("96 dpi") << 25 << 96 << 25;
        QTest::newRow("144 dpi") << 25 << 144 << 38; // 37.5 rounds up
        QTest::newRow("120 dpi") << 215 << 120 << 269;
    }
    void scaling()
    {
        QFETCH(int, pixels);
        QFETCH(int, dpi);
        QFETCH(int, scaled);
        QCOMPARE(ScaleToDpi(pixels, dpi), scaled);
    }
};

TESSARIL_UI_TEST_MAIN(AppearanceTest)
#include "AppearanceTest.moc"
