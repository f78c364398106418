#pragma once

#include "device/DeviceService.h"

// Simulated devices: every subfolder of `folder` is one device, every
// subfolder of a device a storage. An optional device.ini per device gives
// its properties ([Device]) and its misbehaviour ([Faults]). An empty folder
// name gives a service without devices.
DeviceServicePtr CreateSimulatedDeviceService(const QString &folder);

// The folder named by TESSARIL_DEVICES, empty when the variable is not set.
QString SimulatedDevicesFolder();
