#pragma once

#include <QAbstractButton>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QSize>

#include "ui/IconList.h"

enum TButtonLayout
{
    blGlyphLeft,
    blGlyphRight,
    blGlyphTop,
    blGlyphBottom
};

struct TButtonContent
{
    QPoint Glyph;  // top-left corner of the icon
    QRect Caption; // the caption's rectangle
};

// Places icon and caption inside a content rectangle. A margin of -1 and a
// negative spacing share the free room in three; a margin of -1 with a
// spacing centres icon, spacing and caption as a block; a given margin with
// a negative spacing centres the caption in the room after the icon.
TButtonContent LayoutButtonContent(const QRect &content, QSize glyph, QSize caption, TButtonLayout layout, int margin,
                                   int spacing, bool rightToLeft = false, QPoint stateOffset = {});

// The drawing shared by both buttons: icon from an icon list and caption.
class TButtonDraw
{
public:
    TIconList *Images() const { return FImages.data(); }
    void SetImages(TIconList *images) { FImages = images; }
    int ImageIndex = -1;
    TButtonLayout Layout = blGlyphTop;
    int Margin = -1;
    int Spacing = 4;
    bool WordWrap = false;

    QSize GlyphSize() const;
    QSize CaptionSize(const QWidget &button, const QString &caption, int width) const;
    void Draw(QPainter &painter, const QWidget &button, const QRect &content, const QString &caption, bool enabled,
              QPoint stateOffset) const;

private:
    QPointer<TIconList> FImages;
};

// A push button that draws an icon of an icon list beside its caption.
class TOxButton : public QPushButton
{
    Q_OBJECT
public:
    explicit TOxButton(QWidget *parent = nullptr);
    TOxButton(const QString &caption, QWidget *parent = nullptr);

    TIconList *Images() const { return FDraw.Images(); }
    void SetImages(TIconList *images);
    int ImageIndex() const { return FDraw.ImageIndex; }
    void SetImageIndex(int index);
    // Picks the icon by name from the assigned list.
    void SetImageName(const QString &name);
    TButtonLayout Layout() const { return FDraw.Layout; }
    void SetLayout(TButtonLayout layout);
    int Margin() const { return FDraw.Margin; }
    void SetMargin(int margin);
    int Spacing() const { return FDraw.Spacing; }
    void SetSpacing(int spacing);
    bool WordWrap() const { return FDraw.WordWrap; }
    void SetWordWrap(bool wrap);
    // The result a dialog ends with when this button is clicked (0: none).
    int ModalResult = 0;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    TButtonContent ContentLayout() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect ContentRect() const;
    QMetaObject::Connection FImagesChanged;
    TButtonDraw FDraw;
};

// A flat tool button; with a group index it is one of a set of toggles of
// the same parent of which at most one is down.
class TOxSpeedButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit TOxSpeedButton(QWidget *parent = nullptr);

    TIconList *Images() const { return FDraw.Images(); }
    void SetImages(TIconList *images);
    void SetImageIndex(int index);
    void SetLayout(TButtonLayout layout);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int index);
    bool Down() const { return FDown; }
    void SetDown(bool down);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool allow);
    bool Flat = true;

    // Acts as a mouse click does: toggles a grouped button, then clicks.
    void Click();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void ReleaseOthers();
    TButtonDraw FDraw;
    QMetaObject::Connection FImagesChanged;
    int FGroupIndex = 0;
    bool FDown = false;
    bool FAllowAllUp = false;
    bool FMouseInControl = false;
};
