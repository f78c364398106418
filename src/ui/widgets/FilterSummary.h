#pragma once

#include <QGroupBox>

class QLabel;
class QLineEdit;
class TOxButton;
class TTextFilter;
struct TWindowIcons;

// The group "Filter": what the file-name filter lets through, in words, and
// the button that edits it.
class TFilterSummary : public QGroupBox
{
    Q_OBJECT
public:
    TFilterSummary(TWindowIcons &icons, QWidget *parent = nullptr);

    void ShowFilter(const TTextFilter &filter);
    void RefreshIcons();

Q_SIGNALS:
    void EditRequested();

private:
    TWindowIcons &FIcons;
    QLineEdit *FSummary = nullptr;
    QLabel *FRegular = nullptr;
    TOxButton *FEdit = nullptr;
};
