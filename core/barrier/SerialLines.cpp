#include "core/barrier/ModemLines.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
class SerialLines final : public ModemLines
{
public:
    explicit SerialLines(int fd)
        : m_fd(fd)
    {
    }
    ~SerialLines() override { ::close(m_fd); }
    SerialLines(const SerialLines &) = delete;
    SerialLines &operator=(const SerialLines &) = delete;

    int raise(int lines) override { return ::ioctl(m_fd, TIOCMBIS, &lines) == 0 ? 0 : errno; }
    int read(int &lines) override { return ::ioctl(m_fd, TIOCMGET, &lines) == 0 ? 0 : errno; }
    int waitForChange(int lines) override { return ::ioctl(m_fd, TIOCMIWAIT, lines) == 0 ? 0 : errno; }

private:
    int m_fd;
};

// Splits "/dev/ttyUSB10" into "/dev/ttyUSB" and 10.
std::pair<QString, qlonglong> nameAndNumber(const QString &device)
{
    qsizetype digits = device.size();
    while (digits > 0 && device.at(digits - 1).isDigit())
        --digits;
    const QString number = device.mid(digits);
    return {device.left(digits), number.isEmpty() ? -1 : number.toLongLong()};
}
} // namespace

OpenedLines openSerialLines(const QString &device)
{
    // Non-blocking, or the open would wait for a carrier that a barrier never gives; not the
    // controlling terminal of anything.
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {nullptr, errno};
    return {std::make_unique<SerialLines>(fd), 0};
}

QStringList sortSerialDevices(QStringList devices)
{
    std::sort(devices.begin(), devices.end(),
              [](const QString &a, const QString &b) { return nameAndNumber(a) < nameAndNumber(b); });
    return devices;
}
