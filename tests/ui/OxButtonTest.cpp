#include "UiTestSupport.h"

#include "ui/IconList.h"
#include "ui/OxButton.h"

class OxButtonTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void layouts_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("margin");
        QTest::addColumn<int>("spacing");
        QTest::addColumn<QSize>("caption");
        QTest::addColumn<QPoint>("glyph");
        QTest::addColumn<QRect>("text");
        // Content 111 × 40, icon 24 × 24.
        QTest::newRow("left, margin 8, centred caption")
            << int(blGlyphLeft) << 8 << -1 << QSize(41, 13) << QPoint(8, 8) << QRect(8 + 24 + 19, 14, 41, 13);
        QTest::newRow("left, block centred")
            << int(blGlyphLeft) << -1 << 4 << QSize(41, 13) << QPoint(21, 8) << QRect(49, 14, 41, 13);
        QTest::newRow("left, thirds") << int(blGlyphLeft) << -1 << -1 << QSize(41, 13) << QPoint(15, 8)
                                      << QRect(54, 14, 41, 13);
        QTest::newRow("right, block centred")
            << int(blGlyphRight) << -1 << 4 << QSize(41, 13) << QPoint(111 - 21 - 24, 8) << QRect(21, 14, 41, 13);
        QTest::newRow("top, block centred")
            << int(blGlyphTop) << -1 << 2 << QSize(41, 12) << QPoint(44, 1) << QRect(35, 27, 41, 12);
        QTest::newRow("bottom, margin 2")
            << int(blGlyphBottom) << 2 << 0 << QSize(41, 12) << QPoint(44, 14) << QRect(35, 2, 41, 12);
        QTest::newRow("no caption: no spacing")
            << int(blGlyphLeft) << -1 << 4 << QSize(0, 0) << QPoint(44, 8) << QRect(68, 20, 0, 0);
    }
    void layouts()
    {
        QFETCH(int, layout);
        QFETCH(int, margin);
        QFETCH(int, spacing);
        QFETCH(QSize, caption);
        QFETCH(QPoint, glyph);
        QFETCH(QRect, text);
        const TButtonContent content =
            LayoutButtonContent(QRect(0, 0, 111, 40), QSize(24, 24), caption, TButtonLayout(layout), margin, spacing);
        QCOMPARE(content.Glyph, glyph);
        QCOMPARE(content.Caption, text);
    }

    void rightToLeftSwapsSidesAndOriginMoves()
    {
        const TButtonContent content = LayoutButtonContent(QRect(5, 3, 111, 40), QSize(24, 24), QSize(41, 13),
                                                           blGlyphLeft, 8, -1, true, QPoint(1, 1));
        QCOMPARE(content.Glyph, QPoint(5 + 111 - 8 - 24 + 1, 3 + 8 + 1));
    }

    void buttonCentresIconAndCaptionInItsFace()
    {
        TIconList glyphs(24, {QStringLiteral("save")});
        TOxButton button(QStringLiteral("Save"));
        button.SetImages(&glyphs);
        button.SetImageIndex(0);
        button.SetLayout(blGlyphLeft);
        button.resize(140, 40);
        const TButtonContent places = button.ContentLayout();
        const int left = places.Glyph.x();
        const int right = button.width() - places.Caption.right() - 1;
        QVERIFY(qAbs(left - right) <= 4);
        QVERIFY(places.Caption.left() >= places.Glyph.x() + 24 + 4);
        QVERIFY(button.sizeHint().width() >= 24 + 4 + button.fontMetrics().horizontalAdvance(QStringLiteral("Save")));
    }

    void speedButtonGroups()
    {
        QWidget parent;
        TOxSpeedButton buttons[4] = {TOxSpeedButton(&parent), TOxSpeedButton(&parent), TOxSpeedButton(&parent),
                                     TOxSpeedButton(&parent)};
        for (TOxSpeedButton &button : buttons)
            button.SetGroupIndex(1);
        buttons[0].Click();
        QVERIFY(buttons[0].Down());
        buttons[1].Click();
        QVERIFY(buttons[1].Down());
        QVERIFY(!buttons[0].Down());
        // Without AllowAllUp a down button stays down.
        buttons[1].Click();
        QVERIFY(buttons[1].Down());
        buttons[1].SetAllowAllUp(true);
        buttons[1].Click();
        QVERIFY(!buttons[1].Down());
    }

    void speedButtonWithoutGroupNeverStaysDown()
    {
        TOxSpeedButton button;
        int clicks = 0;
        connect(&button, &QAbstractButton::clicked, this, [&clicks] { ++clicks; });
        button.SetDown(true);
        QVERIFY(!button.Down());
        button.show();
        QTest::mouseClick(&button, Qt::LeftButton);
        QVERIFY(!button.Down());
        QCOMPARE(clicks, 1);
    }
};

TESSARIL_UI_TEST_MAIN(OxButtonTest)
#include "OxButtonTest.moc"
