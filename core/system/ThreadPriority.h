#pragma once

// Background threads (writes, imports, the live results, the backup copy) give way to the
// interface thread: a key's handling and the window's repaint must not wait for a core behind
// them. The light barrier's watcher keeps its priority: it takes the edge's time itself.
void giveWayToInterface();

// The nice value background threads run at.
constexpr int BackgroundNice = 10;
