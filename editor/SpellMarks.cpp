#include "editor/SpellMarks.h"

#include "document/core/Cp1252.h"
#include "editor/EditAdapter.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <array>
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

void TSpellMarks::refreshWords(const std::vector<std::string>& words) {
    if (words.empty())
        return;
    // The words as the document holds them, looked for in the lines' own text.
    std::vector<QString> wanted;
    for (const std::string& w : words) {
        QString text(static_cast<qsizetype>(w.size()), Qt::Uninitialized);
        cp1252::decode(w.data(), w.size(), reinterpret_cast<char16_t*>(text.data()));
        wanted.push_back(std::move(text));
    }
    QWidget* view = edit_->viewport();
    const QTextCursor caret = edit_->textCursor();
    const qsizetype at = caret.positionInBlock();
    QAbstractTextDocumentLayout* layout = edit_->document()->documentLayout();
    QTextBlock b = edit_->cursorForPosition(QPoint(0, 0)).block();
    // The first block's top, from its first line's (which may be above the view).
    qreal top = b.isValid() ? edit_->cursorRect(QTextCursor(b)).top() : view->height();
    for (; b.isValid() && top < view->height(); b = b.next()) {
        const qreal height = layout->blockBoundingRect(b).height();
        const QString text = b.text();
        const bool typedHere = typing_ && b == caret.block();
        const auto shows = [&](const QString& w) {
            for (qsizetype k = text.indexOf(w); k >= 0; k = text.indexOf(w, k + 1))
                if (!(typedHere && k <= at && at <= k + w.size()))
                    return true;
            return false;
        };
        if (std::any_of(wanted.begin(), wanted.end(), shows))
            view->update(0, static_cast<int>(std::floor(top)), view->width(),
                         static_cast<int>(std::ceil(height)) + 1);
        top += height;
    }
}

const std::string& TSpellMarks::bytesOf(const QTextBlock& block) const {
    const QString text = block.text();
    bytes_.resize(static_cast<size_t>(text.size()));
    for (qsizetype k = 0; k < text.size(); ++k) {
        const int b = cp1252::fromUnicode(text[k].unicode());
        bytes_[static_cast<size_t>(k)] = static_cast<char>(b < 0 ? '?' : b);
    }
    return bytes_;
}

std::vector<TSpellMarks::TSpan> TSpellMarks::spansOf(const QTextBlock& block) const {
    std::vector<TSpan> out;
    if (!finder_)
        return out;
    finder_(bytesOf(block), out);
    if (typing_) {
        const QTextCursor caret = edit_->textCursor();
        const int at = caret.position() - block.position();
        if (caret.block() == block) {
            const auto typed = [&](const TSpan& s) { return s.from <= at && at <= s.to; };
            out.erase(std::remove_if(out.begin(), out.end(), typed), out.end());
        }
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

namespace {

// One period of the wave, drawn once for each height (3 to 5 pixels): every underline is a row of
// these.
constexpr int kWaveHeight = 5;
constexpr int kFlatWaveHeight = 3;

const QPixmap& waveTile(int height) {
    static const std::array<QPixmap, kWaveHeight - kFlatWaveHeight + 1> tiles = [] {
        std::array<QPixmap, kWaveHeight - kFlatWaveHeight + 1> made;
        for (int h = kFlatWaveHeight; h <= kWaveHeight; ++h) {
            QPixmap p(6, h);
            p.fill(Qt::transparent);
            QPainter painter(&p);
            painter.setRenderHint(QPainter::Antialiasing, true);
            painter.setPen(QPen(QColor(0xFF, 0x00, 0x00), 1.0));
            QPainterPath wave;
            const qreal middle = h / 2.0;
            wave.moveTo(0, middle);
            wave.quadTo(1.5, 0, 3, middle);
            wave.quadTo(4.5, h, 6, middle);
            painter.drawPath(wave);
            made[static_cast<std::size_t>(h - kFlatWaveHeight)] = p;
        }
        return made;
    }();
    return tiles[static_cast<std::size_t>(std::clamp(height, kFlatWaveHeight, kWaveHeight) -
                                          kFlatWaveHeight)];
}

} // namespace

void TSpellMarks::paint(QPainter& painter, const QRegion& area,
                        const std::vector<TDisplayLine>& lines) const {
    if (!finder_)
        return;
    painter.save();
    painter.setClipRegion(area);
    int spansBlock = -1;
    std::vector<TSpan> spans;
    for (const TDisplayLine& l : lines) {
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
            // A smooth wave of 6 pixels' period, its middle 2.5 pixels under the baseline.
            const int x0 = static_cast<int>(std::round(l.Origin.x() + tl.cursorToX(a)));
            const int x1 =
                std::max(static_cast<int>(std::round(l.Origin.x() + tl.cursorToX(b))), x0 + 3);
            // Inside its own line: flatter where the line has little room under its baseline,
            // and raised where it has none, never over the next line's glyphs.
            const int bottom = static_cast<int>(std::floor(l.Top + l.Height));
            const int under = static_cast<int>(std::floor(baseline)) + 1;
            const QPixmap& tile = waveTile(bottom - under);
            const int y = std::min(under, bottom - tile.height());
            painter.drawTiledPixmap(QRect(x0, y, x1 - x0, tile.height()), tile);
        }
    }
    painter.restore();
}
