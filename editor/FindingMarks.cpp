#include "editor/FindingMarks.h"

#include "editor/EditAdapter.h"

#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

TFindingMarks::TFindingMarks(QPlainTextEdit* edit) : edit_(edit) {
    connect(edit->document(), &QTextDocument::contentsChange, this, &TFindingMarks::contentsChange);
}

void TFindingMarks::setMarks(std::vector<TMark> marks) {
    marks_ = std::move(marks);
    order_.resize(marks_.size());
    longest_ = 0;
    for (size_t k = 0; k < marks_.size(); ++k) {
        order_[k] = static_cast<int>(k);
        longest_ = std::max(longest_, marks_[k].length);
    }
    std::stable_sort(order_.begin(), order_.end(),
                     [&](int a, int b) { return marks_[a].position < marks_[b].position; });
    edit_->viewport()->update();
}

int TFindingMarks::markAt(int position) const {
    int found = -1;
    for (int k = 0; k < static_cast<int>(marks_.size()); ++k) {
        const TMark& m = marks_[k];
        if (m.position >= 0 && position >= m.position &&
            position < m.position + std::max(m.length, 1) && (found < 0 || k < found))
            found = k;
    }
    return found;
}

void TFindingMarks::contentsChange(int position, int removed, int added) {
    if (marks_.empty())
        return;
    bool dropped = false;
    for (TMark& m : marks_) {
        if (m.position < 0)
            continue;
        const int end = m.position + std::max(m.length, 1);
        if (end <= position)
            continue;
        if (m.position >= position + removed) {
            m.position += added - removed;
        } else {
            m.position = -1; // its own text changed
            dropped = true;
        }
    }
    // Shifting keeps the order of the marks that remain (those before the change stay before
    // those after it); dropped ones go first and are skipped. A key on a page with thousands of
    // findings sorted them all again.
    if (dropped)
        std::stable_partition(order_.begin(), order_.end(),
                              [&](int k) { return marks_[k].position < 0; });
}

void TFindingMarks::paint(QPainter& painter, const QRegion& area,
                          const std::vector<TDisplayLine>& lines) const {
    if (marks_.empty())
        return;
    painter.save();
    painter.setClipRegion(area);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QFontMetricsF fm(edit_->font());
    const qreal breakWidth = fm.horizontalAdvance(QLatin1Char(' '));
    const auto byPosition = [&](int k, int position) { return marks_[k].position < position; };

    for (const TDisplayLine& l : lines) {
        const QTextLayout* layout = l.Block.layout();
        if (!layout || l.LineInBlock >= layout->lineCount())
            continue;
        const QTextLine tl = layout->lineAt(l.LineInBlock);
        const int blockPos = l.Block.position();
        const int from = blockPos + tl.textStart();
        const int to = from + tl.textLength();
        const bool lastLine = l.LineInBlock == layout->lineCount() - 1;
        const int reach = lastLine ? to + 1 : to; // the line break belongs to the last line
        const qreal baseline = l.Origin.y() + tl.y() + tl.ascent();
        if (!area.intersects(QRect(0, static_cast<int>(l.Top), edit_->viewport()->width(),
                                   static_cast<int>(std::ceil(l.Height)) + 1)))
            continue;
        auto it = std::lower_bound(order_.begin(), order_.end(), from - longest_, byPosition);
        for (; it != order_.end() && marks_[*it].position < reach; ++it) {
            const TMark& m = marks_[*it];
            if (m.position < 0 || m.position + std::max(m.length, 1) <= from)
                continue;
            const int a = std::max(m.position, from);
            const int b = std::min(m.position + m.length, to);
            qreal x0 = l.Origin.x() + tl.cursorToX(a - blockPos);
            qreal x1 = l.Origin.x() + tl.cursorToX(b - blockPos);
            if (b <= a || m.position + m.length > to) // ends on the line break: show it
                x1 = std::max(x1, x0) + (b <= a ? breakWidth : 0);
            if (x1 - x0 < 2)
                x1 = x0 + 2;
            // A wave of 4 pixels' period just under the baseline.
            QPainterPath wave;
            const qreal y = std::floor(baseline) + 2.5;
            wave.moveTo(x0, y);
            bool up = true;
            for (qreal x = x0; x < x1; x += 2) {
                wave.lineTo(std::min(x + 2, x1), up ? y - 1.5 : y + 0.5);
                up = !up;
            }
            painter.setPen(QPen(m.color, 1.1));
            painter.drawPath(wave);
        }
    }
    painter.restore();
}
