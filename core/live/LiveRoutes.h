#pragma once

#include "core/live/LiveSnapshot.h"

#include <QByteArray>

struct LiveResponse
{
    int status = 200;
    QByteArray contentType;
    QByteArray body;
};

// The answer to a GET of target (path and query as the request line has them). Only the fixed
// routes answer; nothing is ever read from the disk.
LiveResponse routeLiveRequest(const LiveSnapshot &snapshot, const QByteArray &target);
// The status line's words for the statuses the server sends.
QByteArray liveStatusText(int status);
