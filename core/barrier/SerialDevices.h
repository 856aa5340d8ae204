#pragma once

#include "core/barrier/ModemLines.h"

#include <QStringList>

// The machine's serial devices in the order "COM 1", "COM 2", ... number them.
QStringList systemSerialDevices();

// What the race session's barrier link and the configuration dialog use: the system's devices
// and ports unless a test has put its own in, before it creates the session.
BarrierPorts barrierPorts();
void setBarrierPorts(BarrierPorts ports);
