#pragma once

#include "core/live/LiveSnapshot.h"

#include <QByteArray>

// The interface for clubs' own tools; the README describes the fields.
QByteArray liveClassesJson(const LiveSnapshot &snapshot);
// An empty array when classIndex is no class.
QByteArray liveClassJson(const LiveSnapshot &snapshot, int classIndex);
// What happens on course now; also what the socket pushes at every change (with the time added).
QByteArray liveStateJson(const LiveSnapshot &snapshot);
