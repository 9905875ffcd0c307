#include "editor/HotSpots.h"

#include "document/PageText.h"
#include "editor/EditAdapter.h"

#include <QTextDocument>

std::optional<QString> hotSpotTextAt(const TEditAdapter& adapter, const QTextDocument* doc,
                                     const THotSpot& hotSpot, QPoint point) {
    const auto hit = adapter.charFromPos(point);
    if (!hit)
        return std::nullopt;
    const TDisplayLine line = adapter.lineAt(hit->Offset);
    // Only the pointed line is read, whatever its length.
    const int inLine = hit->Offset - line.Start;
    if (inLine < 0 || inLine > line.Length)
        return std::nullopt;
    const int lineStartPos = line.Block.position() + (line.Start - line.BlockStart);
    const QChar begin = pagetext::fromByte(hotSpot.BeginChar);
    const QChar end = pagetext::fromByte(hotSpot.EndChar);
    const auto at = [&](int i) { return doc->characterAt(lineStartPos + i); };
    int e = -1, b = -1;
    for (int i = inLine; i < line.Length && e < 0; ++i) {
        const QChar c = at(i);
        if (c == end)
            e = i;
        else if (c == begin && b < 0)
            b = i;
    }
    // Inside when an end marker follows on the line before any begin marker.
    if (hotSpot.EndChar == 0 || e < 0 || (b >= 0 && b < e && hotSpot.BeginChar != hotSpot.EndChar))
        return std::nullopt;
    QString tail;
    for (int i = inLine; i < e; ++i)
        tail += at(i);
    int leadStart = inLine;
    while (leadStart > 0 && at(leadStart - 1) != begin)
        --leadStart;
    QString lead;
    for (int i = leadStart; i < inLine; ++i)
        lead += at(i);
    return lead + tail;
}
