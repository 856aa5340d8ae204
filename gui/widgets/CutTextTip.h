#pragma once

class QAbstractItemView;
class QFontMetrics;
class QHelpEvent;
class QModelIndex;

// A cell whose text is cut to fit (a long name ending in "…") shows the whole text as its
// tooltip. Answers false where the cell shows all of its text, or its model has a tooltip of its
// own; the delegate's usual handling applies there.
bool showCutTextTip(QHelpEvent *event, QAbstractItemView *view, const QModelIndex &index, const QFontMetrics &metrics,
                    int textWidth);
