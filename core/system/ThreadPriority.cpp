#include "core/system/ThreadPriority.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <unistd.h>
#endif

void giveWayToInterface()
{
#ifdef Q_OS_LINUX
    // A thread's nice value is its own on Linux. QThread's priorities do not reach normal threads
    // there: they only set a real-time priority, which such a thread does not have. Raising the
    // value needs no privilege; failing, the thread runs as before.
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), BackgroundNice);
#endif
}
