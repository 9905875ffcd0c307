#pragma once

// Finding the hot spot under the pointer: the text a click on it reports.

#include "editor/core/HotSpot.h"

#include <QPoint>
#include <QString>

#include <optional>

class QTextDocument;
class TEditAdapter;

// The hot-spot text around a viewport point: from the begin marker before it (or the line start)
// to the end marker after it, without the markers. Nothing when the point is not in a hot spot:
// no end marker follows on the line, or a begin marker comes first. Only the pointed line is
// read, whatever its length.
std::optional<QString> hotSpotTextAt(const TEditAdapter& adapter, const QTextDocument* doc,
                                     const THotSpot& hotSpot, QPoint point);
