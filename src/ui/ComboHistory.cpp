#include "ui/ComboHistory.h"

#include "env/History.h"

#include <QComboBox>
#include <QLineEdit>

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
