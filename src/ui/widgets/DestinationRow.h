#pragma once

#include <QWidget>

class THistoryComboBox;
class TOxButton;
struct TWindowIcons;

// "Destination directory:" with its history box, the button that inserts a
// placeholder at the caret and the button that chooses a folder.
class TDestinationRow : public QWidget
{
    Q_OBJECT
public:
    TDestinationRow(TWindowIcons &icons, QWidget *parent = nullptr);

    THistoryComboBox &Box() { return *FBox; }
    QString Text() const;
    void SetText(const QString &text);
    // Inserts at the caret position the box had when it last had the focus.
    void InsertAtCaret(const QString &text);
    void RefreshIcons();

Q_SIGNALS:
    void Changed();
    void PlaceholderRequested(QWidget *button);
    void FolderRequested();

private:
    TWindowIcons &FIcons;
    THistoryComboBox *FBox = nullptr;
    TOxButton *FPlaceholder = nullptr;
    TOxButton *FChooseFolder = nullptr;
    int FCaret = -1; // -1: at the end
};
