#include "editor/SpellMarks.h"

#include "document/core/Cp1252.h"
#include "editor/EditAdapter.h"

#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

TSpellMarks::TSpellMarks(QPlainTextEdit* edit) : edit_(edit) {
    connect(edit->document(), &QTextDocument::contentsChange, this, &TSpellMarks::contentsChange);
    connect(edit, &QPlainTextEdit::cursorPositionChanged, this, &TSpellMarks::caretMoved);
}

void TSpellMarks::setFinder(TFinder finder) {
    finder_ = std::move(finder);
    refresh();
}

void TSpellMarks::refresh() {
    edit_->viewport()->update();
}

void TSpellMarks::contentsChange(int position, int removed, int added) {
    // A key types or erases a character or two; a paste, a replacement or a load is no typing.
    typing_ = added <= 2 && removed <= 2 && added + removed > 0;
    typedAt_ = position + added;
}

void TSpellMarks::caretMoved() {
    if (typing_ && edit_->textCursor().position() != typedAt_) {
        typing_ = false;
        if (finder_)
            refresh();
    }
}

std::vector<TSpellMarks::TSpan> TSpellMarks::spansOf(const QTextBlock& block) const {
    std::vector<TSpan> out;
    if (!finder_)
        return out;
    const QString text = block.text();
    bytes_.resize(static_cast<size_t>(text.size()));
    for (qsizetype k = 0; k < text.size(); ++k) {
        const int b = cp1252::fromUnicode(text[k].unicode());
        bytes_[static_cast<size_t>(k)] = static_cast<char>(b < 0 ? '?' : b);
    }
    finder_(bytes_, out);
    if (typing_) {
        const QTextCursor caret = edit_->textCursor();
        const int at = caret.position() - block.position();
        if (caret.block() == block)
            out.erase(std::remove_if(out.begin(), out.end(),
                                     [&](const TSpan& s) { return s.from <= at && at <= s.to; }),
                      out.end());
    }
    return out;
}

std::optional<TSpellMarks::TSpan> TSpellMarks::wordAt(int position) const {
    const QTextBlock block = edit_->document()->findBlock(position);
    if (!block.isValid())
        return std::nullopt;
    const int at = position - block.position();
    for (const TSpan& s : spansOf(block))
        if (s.from <= at && at <= s.to)
            return TSpan{block.position() + s.from, block.position() + s.to, s.joined};
    return std::nullopt;
}

void TSpellMarks::paint(QPainter& painter, const QRegion& area, const TEditAdapter& adapter) const {
    if (!finder_)
        return;
    painter.save();
    painter.setClipRegion(area);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(0xFF, 0x00, 0x00), 1.0));
    painter.setBrush(Qt::NoBrush);
    int spansBlock = -1;
    std::vector<TSpan> spans;
    for (const TDisplayLine& l : adapter.visibleLines()) {
        const QTextLayout* layout = l.Block.layout();
        if (!layout || l.LineInBlock >= layout->lineCount())
            continue;
        if (!area.intersects(QRect(0, static_cast<int>(l.Top), edit_->viewport()->width(),
                                   static_cast<int>(std::ceil(l.Height)) + 1)))
            continue;
        if (l.Block.blockNumber() != spansBlock) {
            spansBlock = l.Block.blockNumber();
            spans = spansOf(l.Block);
        }
        const QTextLine tl = layout->lineAt(l.LineInBlock);
        const int from = tl.textStart();
        const int to = from + tl.textLength();
        const qreal baseline = l.Origin.y() + tl.y() + tl.ascent();
        for (const TSpan& s : spans) {
            const int a = std::max(s.from, from);
            const int b = std::min(s.to, to);
            if (b <= a)
                continue;
            const qreal x0 = l.Origin.x() + tl.cursorToX(a);
            const qreal x1 = std::max(l.Origin.x() + tl.cursorToX(b), x0 + 3);
            // A smooth wave of 6 pixels' period, its middle 2.5 pixels under the baseline.
            const qreal y = std::floor(baseline) + 2.5;
            QPainterPath wave;
            wave.moveTo(x0, y);
            bool up = true;
            for (qreal x = x0; x < x1; x += 3) {
                const qreal next = std::min(x + 3, x1);
                wave.quadTo((x + next) / 2, up ? y - 2.5 : y + 2.5, next, y);
                up = !up;
            }
            painter.drawPath(wave);
        }
    }
    painter.restore();
}
