#include "UiTestSupport.h"

#include "ui/Appearance.h"
#include "ui/IconList.h"

#include <QCheckBox>
#include <QPalette>
#include <QProxyStyle>
#include <QRadioButton>
#include <QStyleOptionButton>

#include <QStyle>
#include <algorithm>
#include <cmath>

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
        // Fusion, with indicators that stand out (below).
        auto *style = qobject_cast<QProxyStyle *>(QApplication::style());
        QVERIFY(style && style->baseStyle());
        QCOMPARE(style->baseStyle()->name(), QStringLiteral("fusion"));
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

    // An unchecked check box or radio button must stand out from the window:
    // the indicator is rendered and its most contrasting pixel measured.
    void uncheckedIndicatorsAreVisibleInBothStyles()
    {
        const auto luminance = [](QColor color) {
            const auto channel = [](double value) {
                value /= 255.0;
                return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * channel(color.red()) + 0.7152 * channel(color.green()) + 0.0722 * channel(color.blue());
        };
        for (const bool dark : {false, true}) {
            ApplyDarkMode(dark);
            QWidget window;
            QCheckBox check(QStringLiteral("Set archive bit"), &window);
            QRadioButton radio(QStringLiteral("all existing files"), &window);
            radio.move(0, 40);
            window.resize(200, 80);
            const QColor background = window.palette().color(QPalette::Window);
            for (QAbstractButton *button : std::initializer_list<QAbstractButton *>{&check, &radio}) {
                QStyleOptionButton option;
                option.initFrom(button);
                const QRect indicator = button->style()->subElementRect(
                    button == &check ? QStyle::SE_CheckBoxIndicator : QStyle::SE_RadioButtonIndicator, &option, button);
                const QImage image = button->grab().toImage();
                double best = 1;
                for (int y = indicator.top(); y <= indicator.bottom(); ++y)
                    for (int x = indicator.left(); x <= indicator.right(); ++x) {
                        const double a = luminance(image.pixelColor(x, y)), b = luminance(background);
                        best = std::max(best, (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05));
                    }
                QVERIFY2(best >= 3.0, qPrintable(QStringLiteral("%1 %2: %3:1")
                                                     .arg(dark ? QStringLiteral("dark") : QStringLiteral("light"),
                                                          button->metaObject()->className())
                                                     .arg(best, 0, 'f', 2)));
            }
        }
        ApplyDarkMode(false);
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
