#pragma once

#include <QLabel>

// A one-line label that shortens a text too long for it with "…" and then
// shows the whole text as its tool tip. text() stays the whole text.
class TElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TElidedLabel(QWidget *parent = nullptr);
    void SetFullText(const QString &text);
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void UpdateToolTip();
};
