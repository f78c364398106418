#pragma once

#include "ui/widgets/ElidedLabel.h"

#include <QWidget>

#include <cstdint>

class QGroupBox;
class QListWidget;
class TOxButton;
class TPortableDevice;
struct TWindowIcons;

// The battery icon for a charge level: "battery-25", "-50", "-75" or "-100".
QString BatteryIconOf(std::uint32_t level);

// The left column's top: the connected devices with the reload button and the
// warning icon of a tree read with errors, and the selected device's details.
class TDevicePanel : public QWidget
{
    Q_OBJECT
public:
    TDevicePanel(TWindowIcons &icons, QWidget *parent = nullptr);

    // Lists the devices by name; none is selected then.
    void ShowDeviceNames(const QStringList &names);
    QStringList DeviceNames() const;
    // Marks a row as the selected device (-1: none).
    void MarkSelected(int row);
    int SelectedRow() const { return FSelectedRow; }
    // Fills the details from the device (none: the details are emptied). A
    // device-call error while reading them is returned as its text.
    QString ShowDevice(TPortableDevice *device);
    void ShowWarning(bool visible);
    // The battery icon shown, empty when none is.
    QString BatteryIconName() const { return FBatteryIcon; }
    void RefreshIcons();

Q_SIGNALS:
    // The user picked a device by click or keyboard.
    void DeviceChosen(int row);
    void ReloadRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ShowDetails(const QString &caption, const QStringList &values);
    void ShowTitle();

    TWindowIcons &FIcons;
    QListWidget *FDevices = nullptr;
    TOxButton *FReload = nullptr;
    QLabel *FWarning = nullptr;
    QGroupBox *FDetails = nullptr;
    TElidedLabel *FValues[5]{}; // manufacturer, description, type, power, firmware
    QLabel *FBattery = nullptr;
    QString FBatteryIcon;
    QString FDeviceCaption;
    int FSelectedRow = -1;
};
