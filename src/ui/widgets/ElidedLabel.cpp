#include "ui/widgets/ElidedLabel.h"

#include <QPainter>

TElidedLabel::TElidedLabel(QWidget *parent) : QLabel(parent)
{
    // Device texts are shown as they are, never read as markup.
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void TElidedLabel::SetFullText(const QString &text)
{
    setText(text);
    UpdateToolTip();
}

QSize TElidedLabel::minimumSizeHint() const
{
    return {fontMetrics().horizontalAdvance(QStringLiteral("Wi…")), QLabel::minimumSizeHint().height()};
}

void TElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(area, (alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
}

void TElidedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    UpdateToolTip();
}

void TElidedLabel::UpdateToolTip()
{
    setToolTip(fontMetrics().horizontalAdvance(text()) > contentsRect().width() ? text() : QString());
}
