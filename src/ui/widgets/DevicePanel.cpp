#include "ui/widgets/DevicePanel.h"

#include "ui/Appearance.h"
#include "ui/OxButton.h"
#include "ui/UiText.h"
#include "ui/widgets/BoldLabel.h"
#include "ui/widgets/WindowIcons.h"

#include "device/DeviceError.h"
#include "device/PortableDevice.h"
#include "device/PortableDeviceContent.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

// Whether the device reports a power source at all: one that does not has no
// battery level to show.
bool ReportsPower(const TPortableDevice &device)
{
    TPropertyValue value;
    return !Failed(device.DeviceObject().GetProperty(pkPowerSource, value)) && value.Type == vtUInt32;
}

} // namespace

QString BatteryIconOf(std::uint32_t level)
{
    if (level >= 76)
        return QStringLiteral("battery-100");
    if (level > 50)
        return QStringLiteral("battery-75");
    if (level < 26)
        return QStringLiteral("battery-25");
    return QStringLiteral("battery-50");
}

TDevicePanel::TDevicePanel(TWindowIcons &icons, QWidget *parent) : QWidget(parent), FIcons(icons)
{
    const auto scale = [this](int pixels) { return ScaleToMonitor(pixels, this); };
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(scale(6));

    auto *header = new QHBoxLayout;
    header->setSpacing(scale(4));
    header->addWidget(BoldLabel(PrgText::tr("Connected devices"), this));
    header->addStretch(1);
    FWarning = new QLabel(this);
    FWarning->setObjectName(QStringLiteral("imgWarning"));
    FWarning->setToolTip(PrgText::tr("Errors occurred when reading the directory structure"));
    FWarning->hide();
    header->addWidget(FWarning);
    FReload = new TOxButton(this);
    FReload->setObjectName(QStringLiteral("bbRefresh"));
    FReload->setToolTip(PrgText::tr("Reload device list") + QStringLiteral(" (F5)"));
    header->addWidget(FReload);
    layout->addLayout(header);

    FDevices = new QListWidget(this);
    FDevices->setObjectName(QStringLiteral("lbDevices"));
    FDevices->setSelectionMode(QAbstractItemView::SingleSelection);
    FDevices->setTextElideMode(Qt::ElideRight);
    FDevices->setUniformItemSizes(true);
    FDevices->installEventFilter(this);
    // Five rows of device names at least.
    const int row = qMax(FDevices->fontMetrics().height(), FIcons.Tree.Size()) + scale(4);
    FDevices->setFixedHeight(5 * row + 2 * FDevices->frameWidth() + scale(2));
    layout->addWidget(FDevices);

    FDetails = new QGroupBox(PrgText::tr("Device"), this);
    FDetails->setObjectName(QStringLiteral("gbDevice"));
    auto *details = new QGridLayout(FDetails);
    details->setHorizontalSpacing(scale(6));
    details->setVerticalSpacing(scale(3));
    const QString captions[5] = {PrgText::tr("Manufacturer:"), PrgText::tr("Description:"), PrgText::tr("Type:"),
                                 PrgText::tr("Power source:"), PrgText::tr("Firmware:")};
    const char *const names[5] = {"laManu", "laDesc", "laType", "laPower", "laFirmware"};
    for (int i = 0; i < 5; ++i) {
        details->addWidget(new QLabel(captions[i], FDetails), i, 0, Qt::AlignLeft | Qt::AlignTop);
        FValues[i] = new TElidedLabel(FDetails);
        FValues[i]->setObjectName(QString::fromLatin1(names[i]));
        // The battery icon stands right of the first two rows.
        details->addWidget(FValues[i], i, 1, 1, i < 2 ? 1 : 2);
    }
    FBattery = new QLabel(FDetails);
    FBattery->setObjectName(QStringLiteral("imgBattery"));
    FBattery->setFixedSize(scale(34), scale(34));
    FBattery->setAlignment(Qt::AlignCenter);
    FBattery->hide();
    details->addWidget(FBattery, 0, 2, 2, 1, Qt::AlignRight | Qt::AlignTop);
    details->setColumnStretch(1, 1);
    FDetails->installEventFilter(this);
    layout->addWidget(FDetails);

    connect(FReload, &QPushButton::clicked, this, &TDevicePanel::ReloadRequested);
    connect(FDevices, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        if (item)
            Q_EMIT DeviceChosen(FDevices->row(item));
    });
    RefreshIcons();
}

void TDevicePanel::ShowDeviceNames(const QStringList &names)
{
    FDevices->clear();
    for (const QString &name : names) {
        auto *item = new QListWidgetItem(FIcons.Tree.Icon(QStringLiteral("device")), name, FDevices);
        item->setToolTip(name);
    }
    MarkSelected(-1);
}

QStringList TDevicePanel::DeviceNames() const
{
    QStringList names;
    for (int i = 0; i < FDevices->count(); ++i)
        names << FDevices->item(i)->text();
    return names;
}

void TDevicePanel::MarkSelected(int row)
{
    FSelectedRow = row >= 0 && row < FDevices->count() ? row : -1;
    FDevices->setCurrentRow(FSelectedRow);
    if (FSelectedRow < 0)
        FDevices->clearSelection();
}

void TDevicePanel::ShowWarning(bool visible)
{
    FWarning->setVisible(visible);
}

void TDevicePanel::ShowDetails(const QString &caption, const QStringList &values)
{
    FDeviceCaption = caption;
    ShowTitle();
    for (int i = 0; i < 5; ++i)
        FValues[i]->SetFullText(values.value(i));
}

void TDevicePanel::ShowTitle()
{
    const QString title = FDeviceCaption.isEmpty() ? PrgText::tr("Device") : FDeviceCaption;
    const int room = qMax(ScaleToMonitor(40, this), FDetails->width() - ScaleToMonitor(24, this));
    FDetails->setTitle(FDetails->fontMetrics().elidedText(title, Qt::ElideRight, room));
    FDetails->setToolTip(FDetails->title() == title ? QString() : title);
}

QString TDevicePanel::ShowDevice(TPortableDevice *device)
{
    FBatteryIcon.clear();
    FBattery->hide();
    if (!device) {
        ShowDetails({}, {});
        return {};
    }
    QString error;
    QString caption;
    QStringList values(5);
    try {
        caption = device->DeviceName();
        values[0] = device->Manufacturer();
        values[1] = device->Description();
    } catch (const EDeviceCallError &callError) {
        error = callError.Message();
    }
    values[2] = device->DeviceTypeAsString();
    const bool power = ReportsPower(*device);
    if (power)
        values[3] = device->PowerSourceAsString() + QStringLiteral(" (") + QString::number(device->PowerLevel()) +
                    QStringLiteral("%)");
    values[4] = device->Firmware();
    ShowDetails(caption, values);
    if (power && device->PowerSource() == 0) {
        const std::uint32_t level = device->PowerLevel();
        FBatteryIcon = BatteryIconOf(level);
        FBattery->setToolTip(QStringLiteral("%1%").arg(level));
        RefreshIcons();
        FBattery->show();
    }
    return error;
}

void TDevicePanel::RefreshIcons()
{
    const qreal ratio = devicePixelRatioF();
    SetGlyph(*FReload, FIcons.Glyphs, QStringLiteral("refresh"));
    FWarning->setPixmap(FIcons.Large.Pixmap(FIcons.Large.IndexOf(QStringLiteral("warning")), ratio)
                            .scaled(QSize(22, 22) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    for (int i = 0; i < FDevices->count(); ++i)
        FDevices->item(i)->setIcon(FIcons.Tree.Icon(QStringLiteral("device")));
    if (!FBatteryIcon.isEmpty())
        FBattery->setPixmap(FIcons.Battery.Pixmap(FIcons.Battery.IndexOf(FBatteryIcon), ratio));
}

bool TDevicePanel::eventFilter(QObject *watched, QEvent *event)
{
    // Choosing a device with the keyboard selects it as a click does.
    if (watched == FDevices && event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool moves = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Home || key == Qt::Key_End ||
                           key == Qt::Key_PageUp || key == Qt::Key_PageDown;
        if (moves && FDevices->currentRow() >= 0 && FDevices->currentRow() != FSelectedRow)
            Q_EMIT DeviceChosen(FDevices->currentRow());
    }
    if (watched == FDetails && event->type() == QEvent::Resize)
        ShowTitle();
    return QWidget::eventFilter(watched, event);
}
