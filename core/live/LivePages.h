#pragma once

#include "core/live/LiveSnapshot.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The German pages for phones, the announcer and a big screen. Each page is one self-contained
// document (its style and script inline, nothing loaded from elsewhere); every text from the
// start list is escaped. The page keeps itself current over the socket /ws, or by asking again
// every 2 s where that fails.
QByteArray liveIndexPage(const LiveSnapshot &snapshot, std::int64_t nowEpochMs);
QByteArray liveClassPage(const LiveSnapshot &snapshot, int classIndex, std::int64_t nowEpochMs);
QByteArray liveAnnouncerPage(const LiveSnapshot &snapshot, std::int64_t nowEpochMs);
// classes empty: every class with entries. seconds: how long each class stays.
QByteArray liveBoardPage(const LiveSnapshot &snapshot, const QList<int> &classes, int seconds, std::int64_t nowEpochMs);

// Escapes & < > " and ' for text and attribute values alike.
QString htmlEscaped(const QString &text);
