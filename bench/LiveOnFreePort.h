#pragma once

#include "core/live/LiveSettings.h"
#include "core/settings/SettingsStore.h"
#include "core/startlist/ListFile.h"

#include <QHostAddress>
#include <QTcpServer>

// Class 1 written with the list, and the live results switched on at a free loopback port, as the
// operator would set them up before the window starts; the port, or 0 when either write failed.
inline quint16 writeClassWithLive(const StartList &list)
{
    quint16 port = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
    }
    SettingsStore settings;
    if (!WriteListFile(list, ClassListPath(1)).ok()
        || !LiveSettings {true, port, QStringLiteral("127.0.0.1")}.save(settings).ok())
        return 0;
    return port;
}
