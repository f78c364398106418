#pragma once

#include <QGroupBox>
#include <QStringList>

class QCheckBox;
class QLabel;
class QListWidget;
class TOxButton;
struct TWindowIcons;

// The group "File processing": compress, as zip, and the file types that are
// never compressed with the button that edits them. The list and "as zip"
// show only while "Compress files" is ticked.
class TCompressionBox : public QGroupBox
{
    Q_OBJECT
public:
    TCompressionBox(TWindowIcons &icons, QWidget *parent = nullptr);

    void ShowCompression(bool compress, bool asZip);
    bool Compress() const;
    bool AsZip() const;
    void ShowTypes(const QStringList &types);
    // Keeps the designed height while compressing, else shrinks towards this one.
    void FitHeight(int collapsedHeight);
    void RefreshIcons();

Q_SIGNALS:
    void Changed();
    void EditTypesRequested(QWidget *button);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void UpdateCompressControls();
    void UpdateTypesGrid();

    TWindowIcons &FIcons;
    QCheckBox *FCompress = nullptr;
    QCheckBox *FAsZip = nullptr;
    QLabel *FTypesLabel = nullptr;
    QListWidget *FTypes = nullptr;
    TOxButton *FEditTypes = nullptr;
};
