#pragma once

#include "core/live/LiveSnapshot.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The German pages for phones, the announcer and a big screen. Each page is one self-contained
// document (its style and script inline, nothing loaded from elsewhere); every text from the
// start list is escaped. The page keeps itself current over the socket /ws, or by asking again
// every 2 s where that fails.
// The pages carry no time of their own, so the same snapshot gives the same bytes: the laptop's
// time comes in the X-Now header and in the socket's messages.
QByteArray liveIndexPage(const LiveSnapshot &snapshot);
QByteArray liveClassPage(const LiveSnapshot &snapshot, int classIndex);
QByteArray liveAnnouncerPage(const LiveSnapshot &snapshot);
// classes empty: every class with entries. seconds: how long each class stays.
QByteArray liveBoardPage(const LiveSnapshot &snapshot, const QList<int> &classes, int seconds);
