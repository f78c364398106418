#pragma once

#include <QComboBox>
#include <QString>

// Combo-box forms of the recent-entry lists: the box's drop-down count is the
// list's length, and the first entry is selected after loading or adding.
void LoadHistory(const QString &fileName, const QString &section, QComboBox &box);
void SaveHistory(const QString &fileName, const QString &section, bool erase, const QComboBox &box);
void AddToHistory(QComboBox &box, const QString &text);
// Adds the box's current text.
void AddToHistory(QComboBox &box);
// The entries of a box as a list, and a list shown in a box.
QStringList HistoryOf(const QComboBox &box);
void ShowHistory(QComboBox &box, const QStringList &history);

// An editable history box that is a plain edit field, without drop-down
// button or list, while its history holds one entry or none; ShowHistory and
// the functions above switch it.
class THistoryComboBox : public QComboBox
{
public:
    using QComboBox::QComboBox;

    bool IsPlainEdit() const { return FPlainEdit; }
    void SetPlainEdit(bool plain);

    void showPopup() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void FitEditField();

    bool FPlainEdit = false;
};
