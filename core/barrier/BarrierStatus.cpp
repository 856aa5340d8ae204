#include "core/barrier/BarrierStatus.h"

#include <QtGlobal>

#include <cerrno>

BarrierStatus::State barrierStateForError(int error, bool wasConnected)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO:
        return wasConnected ? BarrierStatus::State::Unplugged : BarrierStatus::State::NoDevice;
    case EACCES:
    case EPERM:
        return BarrierStatus::State::PermissionDenied;
    case ENOTTY:
    case EINVAL:
        return BarrierStatus::State::NotSupported;
    default:
        return BarrierStatus::State::Failed;
    }
}

QString BarrierStatus::text() const
{
    // Short enough for the strip beside the run editor; details() names the device in full.
    const QString name = device.section(QLatin1Char('/'), -1);
    switch (state) {
    case State::Off:
        return QString();
    case State::Opened:
        return tr("COM %1 (%2) opened").arg(port).arg(name);
    case State::Connected:
        return tr("Barrier on COM %1 (%2)").arg(port).arg(name);
    case State::NoDevice:
        return tr("Barrier COM %1: no such device").arg(port);
    case State::PermissionDenied:
        return tr("Barrier COM %1: permission denied (dialout)").arg(port);
    case State::Unplugged:
        return tr("BARRIER UNPLUGGED: time with the keys");
    case State::NotSupported:
        return tr("Barrier COM %1: no line signals").arg(port);
    case State::Failed:
        return tr("Barrier COM %1: %2").arg(port).arg(qt_error_string(error));
    }
    return QString();
}

QString BarrierStatus::details() const
{
    switch (state) {
    case State::Off:
        return tr("No light barrier port is chosen.");
    case State::Opened:
        return tr("%1 is open. Whether a light barrier is connected shows at its first signal; "
                  "the lamp in the configuration dialog shows the watched line.")
            .arg(device);
    case State::Connected:
        return tr("The light barrier is connected to %1.").arg(device);
    case State::NoDevice:
        return device.isEmpty()
            ? tr("The machine has no serial device COM %1. It is connected as soon as one appears.").arg(port)
            : tr("%1 is not there. It is connected as soon as it appears.").arg(device);
    case State::PermissionDenied:
        return tr("This user may not open %1. Add the user to the group \"dialout\" "
                  "(adduser USER dialout), then log in again.")
            .arg(device);
    case State::Unplugged:
        return tr("The light barrier's adapter %1 was unplugged. A run going on keeps running: stop it "
                  "with STOPP [F8]. The barrier is connected again as soon as the adapter is back.")
            .arg(device);
    case State::NotSupported:
        return tr("%1 does not report modem-line changes; it cannot serve a light barrier.").arg(device);
    case State::Failed:
        return tr("%1: %2").arg(device, qt_error_string(error));
    }
    return QString();
}
