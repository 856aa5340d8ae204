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
    const QString where = device.isEmpty() ? tr("COM %1").arg(port) : tr("COM %1 (%2)").arg(port).arg(device);
    switch (state) {
    case State::Off:
        return QString();
    case State::Connected:
        return tr("Barrier on %1").arg(where);
    case State::NoDevice:
        return tr("Barrier: no device %1").arg(where);
    case State::PermissionDenied:
        return tr("Barrier: %1 denied, user not in group dialout").arg(where);
    case State::Unplugged:
        return tr("BARRIER UNPLUGGED: time with the keys");
    case State::NotSupported:
        return tr("Barrier: %1 reports no line changes").arg(where);
    case State::Failed:
        return tr("Barrier: %1 %2").arg(where, qt_error_string(error));
    }
    return QString();
}

QString BarrierStatus::details() const
{
    switch (state) {
    case State::Off:
        return tr("No light barrier port is chosen.");
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
