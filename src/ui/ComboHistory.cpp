#include "ui/ComboHistory.h"

#include "env/History.h"

#include <QLineEdit>
#include <QStyleOptionComboBox>
#include <QStylePainter>

QStringList HistoryOf(const QComboBox &box)
{
    QStringList list;
    for (int i = 0; i < box.count(); ++i)
        list << box.itemText(i);
    return list;
}

void ShowHistory(QComboBox &box, const QStringList &history)
{
    const QSignalBlocker blocker(box);
    box.clear();
    box.addItems(history.mid(0, box.maxVisibleItems()));
    if (box.count() > 0)
        box.setCurrentIndex(0);
    if (auto *historyBox = dynamic_cast<THistoryComboBox *>(&box))
        historyBox->SetPlainEdit(box.count() <= 1);
}

void LoadHistory(const QString &fileName, const QString &section, QComboBox &box)
{
    QStringList list = HistoryOf(box);
    ::LoadHistory(fileName, section, list, box.maxVisibleItems());
    ShowHistory(box, list);
}

void SaveHistory(const QString &fileName, const QString &section, bool erase, const QComboBox &box)
{
    ::SaveHistory(fileName, section, erase, HistoryOf(box), box.maxVisibleItems());
}

void AddToHistory(QComboBox &box, const QString &text)
{
    QStringList list = HistoryOf(box);
    ::AddToHistory(list, text, box.maxVisibleItems());
    const QString shown = box.isEditable() ? box.currentText() : QString();
    ShowHistory(box, list);
    if (box.isEditable() && text.isEmpty())
        box.setEditText(shown);
}

void AddToHistory(QComboBox &box)
{
    AddToHistory(box, box.currentText());
}

void THistoryComboBox::SetPlainEdit(bool plain)
{
    FPlainEdit = plain;
    if (plain)
        hidePopup();
    // Changing the items lays the edit field out anew, so it is fitted every time.
    FitEditField();
    update();
}

void THistoryComboBox::showPopup()
{
    if (!FPlainEdit)
        QComboBox::showPopup();
}

void THistoryComboBox::paintEvent(QPaintEvent *event)
{
    if (!FPlainEdit) {
        QComboBox::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.subControls &= ~QStyle::SC_ComboBoxArrow;
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
}

void THistoryComboBox::resizeEvent(QResizeEvent *event)
{
    QComboBox::resizeEvent(event);
    FitEditField();
}

void THistoryComboBox::changeEvent(QEvent *event)
{
    QComboBox::changeEvent(event);
    FitEditField();
}

void THistoryComboBox::FitEditField()
{
    QLineEdit *edit = lineEdit();
    if (edit == nullptr)
        return;
    QStyleOptionComboBox option;
    initStyleOption(&option);
    QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    // Without a drop-down button the text runs up to the frame on the right as well.
    if (FPlainEdit)
        field.setRight(rect().right() - (field.left() - rect().left()));
    edit->setGeometry(field);
}
