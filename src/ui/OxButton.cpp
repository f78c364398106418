#include "ui/OxButton.h"

#include "ui/IconList.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

TButtonContent LayoutButtonContent(const QRect &content, QSize glyph, QSize caption, TButtonLayout layout, int margin,
                                   int spacing, bool rightToLeft, QPoint stateOffset)
{
    if (rightToLeft && layout == blGlyphLeft)
        layout = blGlyphRight;
    else if (rightToLeft && layout == blGlyphRight)
        layout = blGlyphLeft;

    const int w = content.width();
    const int h = content.height();
    const int gw = glyph.width(), gh = glyph.height();
    const int tw = caption.width(), th = caption.height();
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;

    QPoint glyphPos;
    QPoint captionPos;
    if (horizontal)
        glyphPos.setY((h - gh + 1) / 2);
    else
        glyphPos.setX((w - gw + 1) / 2);

    if (tw == 0 || th == 0 || gw == 0 || gh == 0)
        spacing = 0;

    const int room = horizontal ? w : h;
    const int glyphExtent = horizontal ? gw : gh;
    const int captionExtent = horizontal ? tw : th;
    if (margin == -1 && spacing < 0) {
        margin = (room - glyphExtent - captionExtent) / 3;
        spacing = margin;
    } else if (margin == -1) {
        margin = (room - (glyphExtent + spacing + captionExtent) + 1) / 2;
    } else if (spacing < 0) {
        spacing = ((room - margin - glyphExtent) - captionExtent) / 2;
    }

    switch (layout) {
    case blGlyphLeft:
        glyphPos.setX(margin);
        captionPos = QPoint(glyphPos.x() + gw + spacing, (h - th + 1) / 2);
        break;
    case blGlyphRight:
        glyphPos.setX(w - margin - gw);
        captionPos = QPoint(glyphPos.x() - spacing - tw, (h - th + 1) / 2);
        break;
    case blGlyphTop:
        glyphPos.setY(margin);
        captionPos = QPoint((w - tw + 1) / 2, glyphPos.y() + gh + spacing);
        break;
    case blGlyphBottom:
        glyphPos.setY(h - margin - gh);
        captionPos = QPoint((w - tw + 1) / 2, glyphPos.y() - spacing - th);
        break;
    }
    const QPoint shift = content.topLeft() + stateOffset;
    return {glyphPos + shift, QRect(captionPos + shift, QSize(tw, th))};
}

QSize TButtonDraw::GlyphSize() const
{
    if (!FImages || ImageIndex < 0 || ImageIndex >= FImages->Count())
        return {0, 0};
    return {FImages->Size(), FImages->Size()};
}

QSize TButtonDraw::CaptionSize(const QWidget &button, const QString &caption, int width) const
{
    if (caption.isEmpty())
        return {0, 0};
    const QFontMetrics metrics = button.fontMetrics();
    const int flags = Qt::TextShowMnemonic | (WordWrap ? Qt::TextWordWrap : 0);
    const QRect bounds = metrics.boundingRect(QRect(0, 0, WordWrap ? qMax(1, width) : 100000, 100000), flags, caption);
    return bounds.size();
}

void TButtonDraw::Draw(QPainter &painter, const QWidget &button, const QRect &content, const QString &caption,
                       bool enabled, QPoint stateOffset) const
{
    const QSize glyph = GlyphSize();
    const QSize text = CaptionSize(button, caption, content.width());
    const TButtonContent places = LayoutButtonContent(content, glyph, text, Layout, Margin, Spacing,
                                                      button.layoutDirection() == Qt::RightToLeft, stateOffset);
    if (!glyph.isEmpty()) {
        painter.drawPixmap(places.Glyph, FImages->Pixmap(ImageIndex, button.devicePixelRatioF(), !enabled));
    }
    if (text.isEmpty())
        return;
    const QPalette::ColorGroup group = enabled ? QPalette::Active : QPalette::Disabled;
    painter.setPen(button.palette().color(group, QPalette::ButtonText));
    const int flags = Qt::AlignCenter | Qt::TextShowMnemonic | (WordWrap ? Qt::TextWordWrap : 0);
    painter.drawText(places.Caption, flags, caption);
}

TOxButton::TOxButton(QWidget *parent) : QPushButton(parent)
{}

TOxButton::TOxButton(const QString &caption, QWidget *parent) : QPushButton(caption, parent)
{}

void TOxButton::SetImages(TIconList *images)
{
    disconnect(FImagesChanged);
    FDraw.SetImages(images);
    if (images)
        FImagesChanged = connect(images, &TIconList::Changed, this, [this] {
            updateGeometry();
            update();
        });
    updateGeometry();
    update();
}

void TOxButton::SetImageIndex(int index)
{
    FDraw.ImageIndex = index;
    updateGeometry();
    update();
}

void TOxButton::SetImageName(const QString &name)
{
    SetImageIndex(Images() ? Images()->IndexOf(name) : -1);
}

void TOxButton::SetLayout(TButtonLayout layout)
{
    FDraw.Layout = layout;
    updateGeometry();
    update();
}

void TOxButton::SetMargin(int margin)
{
    FDraw.Margin = margin;
    update();
}

void TOxButton::SetSpacing(int spacing)
{
    FDraw.Spacing = spacing;
    updateGeometry();
    update();
}

void TOxButton::SetWordWrap(bool wrap)
{
    FDraw.WordWrap = wrap;
    updateGeometry();
    update();
}

QRect TOxButton::ContentRect() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
}

TButtonContent TOxButton::ContentLayout() const
{
    const QRect content = ContentRect();
    return LayoutButtonContent(content, FDraw.GlyphSize(), FDraw.CaptionSize(*this, text(), content.width()),
                               FDraw.Layout, FDraw.Margin, FDraw.Spacing, layoutDirection() == Qt::RightToLeft);
}

QSize TOxButton::sizeHint() const
{
    const QSize glyph = FDraw.GlyphSize();
    const QSize caption = FDraw.CaptionSize(*this, text(), 0);
    const int spacing = (glyph.isEmpty() || caption.isEmpty()) ? 0 : qMax(FDraw.Spacing, 4);
    const bool horizontal = FDraw.Layout == blGlyphLeft || FDraw.Layout == blGlyphRight;
    QSize content = horizontal
                        ? QSize(glyph.width() + spacing + caption.width(), qMax(glyph.height(), caption.height()))
                        : QSize(qMax(glyph.width(), caption.width()), glyph.height() + spacing + caption.height());
    if (!caption.isEmpty() && horizontal)
        content.rwidth() += 2 * fontMetrics().averageCharWidth();
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->sizeFromContents(QStyle::CT_PushButton, &option, content, this).expandedTo(QSize(0, 0));
}

void TOxButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    QPoint offset;
    if (isDown() || isChecked())
        offset = QPoint(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                        style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    FDraw.Draw(painter, *this, ContentRect(), text(), isEnabled(), offset);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

TOxSpeedButton::TOxSpeedButton(QWidget *parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    resize(23, 22);
}

void TOxSpeedButton::SetImages(TIconList *images)
{
    // Only the list in use repaints the button.
    disconnect(FImagesChanged);
    FDraw.SetImages(images);
    if (images)
        FImagesChanged = connect(images, &TIconList::Changed, this, qOverload<>(&QWidget::update));
    update();
}

void TOxSpeedButton::SetImageIndex(int index)
{
    FDraw.ImageIndex = index;
    update();
}

void TOxSpeedButton::SetLayout(TButtonLayout layout)
{
    FDraw.Layout = layout;
    update();
}

void TOxSpeedButton::SetGroupIndex(int index)
{
    FGroupIndex = index;
    if (index == 0)
        FDown = false;
    update();
}

void TOxSpeedButton::SetAllowAllUp(bool allow)
{
    FAllowAllUp = allow;
}

void TOxSpeedButton::SetDown(bool down)
{
    if (FGroupIndex == 0 || down == FDown)
        return;
    if (!down && !FAllowAllUp)
        return;
    FDown = down;
    if (down)
        ReleaseOthers();
    update();
}

void TOxSpeedButton::ReleaseOthers()
{
    if (!parentWidget())
        return;
    for (TOxSpeedButton *other : parentWidget()->findChildren<TOxSpeedButton *>(Qt::FindDirectChildrenOnly)) {
        if (other == this || other->FGroupIndex != FGroupIndex)
            continue;
        other->FDown = false;
        other->FAllowAllUp = FAllowAllUp;
        other->update();
    }
}

void TOxSpeedButton::Click()
{
    if (FGroupIndex != 0)
        SetDown(!FDown);
    click();
}

QSize TOxSpeedButton::sizeHint() const
{
    return {23, 22};
}

void TOxSpeedButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && isDown() && hitButton(event->position().toPoint()) && FGroupIndex != 0)
        SetDown(!FDown);
    QAbstractButton::mouseReleaseEvent(event);
}

void TOxSpeedButton::enterEvent(QEnterEvent *event)
{
    FMouseInControl = true;
    update();
    QAbstractButton::enterEvent(event);
}

void TOxSpeedButton::leaveEvent(QEvent *event)
{
    FMouseInControl = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void TOxSpeedButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    const bool pressed = isDown() || FDown;
    QStyleOptionButton option;
    option.initFrom(this);
    option.features = Flat ? QStyleOptionButton::Flat : QStyleOptionButton::None;
    if (pressed)
        option.state |= QStyle::State_Sunken;
    else
        option.state |= QStyle::State_Raised;
    if (!Flat || FMouseInControl || pressed) {
        if (FDown && !isDown()) {
            // Held down in a group: a dotted face of the button and highlight colours.
            painter.fillRect(rect(), QBrush(palette().color(QPalette::Light), Qt::Dense4Pattern));
        }
        painter.drawPrimitive(Flat ? QStyle::PE_PanelButtonTool : QStyle::PE_PanelButtonCommand, option);
    }
    FDraw.Draw(painter, *this, rect(), text(), isEnabled(), pressed ? QPoint(1, 1) : QPoint());
}
