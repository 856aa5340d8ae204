#include "core/barrier/SerialDevices.h"

#include <QSerialPortInfo>

namespace {
BarrierPorts &installedPorts()
{
    static BarrierPorts ports {&systemSerialDevices, &openSerialLines};
    return ports;
}
} // namespace

QStringList systemSerialDevices()
{
    QStringList devices;
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts())
        devices << port.systemLocation();
    return sortSerialDevices(devices);
}

BarrierPorts barrierPorts()
{
    return installedPorts();
}

void setBarrierPorts(BarrierPorts ports)
{
    installedPorts() = std::move(ports);
}
