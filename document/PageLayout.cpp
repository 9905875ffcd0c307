#include "document/PageLayout.h"

#include <QFontMetrics>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QtMath>

#include <algorithm>
#include <climits>

TPageLayout::TPageLayout(QTextDocument* document) : QPlainTextDocumentLayout(document) {}

void TPageLayout::setWidth(qreal width) {
    if (width == width_)
        return;
    width_ = widest_ = width;
    // Every block wraps anew when next shown. Only layouts that exist are emptied: asking a block
    // for its layout would make one.
    for (QTextBlock b = document()->firstBlock(); b.isValid(); b = b.next()) {
        b.clearLayout();
        const int lines = b.isVisible() ? 1 : 0;
        if (b.lineCount() != lines)
            b.setLineCount(lines);
    }
    emit update();
}

QSizeF TPageLayout::documentSize() const {
    return {widest_, qreal(document()->lineCount())};
}

QRectF TPageLayout::frameBoundingRect(QTextFrame*) const {
    return {0, 0, std::max(width_, widest_), qreal(INT_MAX)};
}

QRectF TPageLayout::blockBoundingRect(const QTextBlock& block) const {
    // Laid out here first, so that the toolkit's layout finds the block laid out.
    if (block.isValid() && block.layout()->lineCount() == 0)
        const_cast<TPageLayout*>(this)->layOut(block);
    return QPlainTextDocumentLayout::blockBoundingRect(block);
}

void TPageLayout::documentChanged(int from, int charsRemoved, int charsAdded) {
    QTextDocument* doc = document();
    const int blocks = doc->blockCount();
    const QTextBlock first = doc->findBlock(from);
    const QTextBlock last = doc->findBlock(std::max(0, from + charsRemoved + charsAdded - 1));
    if (first == last && blocks == blockCount_) {
        // A change within one block: it is laid out again here, where the toolkit's own layout
        // could walk the page. Its line repaints alone unless its height changed.
        if (first.isValid() && first.length()) {
            const qreal before = blockBoundingRect(first).height();
            keepShapes(first);
            layOut(first);
            if (blockBoundingRect(first).height() == before) {
                emit updateBlock(first);
                return;
            }
        }
        requestUpdate();
        return;
    }
    // Blocks came or went: the toolkit's layout empties the changed blocks' layouts and counts
    // the blocks, which lays nothing out.
    QPlainTextDocumentLayout::documentChanged(from, charsRemoved, charsAdded);
    if (blocks == 1 && blockCount_ != 1)
        widest_ = 0;
    blockCount_ = blocks;
}

void TPageLayout::keepShapes(const QTextBlock& block) {
    // The block being typed in keeps its shaped text from one key to the next: placing the caret,
    // measuring it and the repaint then use it instead of shaping the line again each time. The
    // block typed in before gives it back.
    const QTextBlock before = typing_.isNull() ? QTextBlock() : typing_.block();
    if (before.isValid() && before != block) {
        QTextLayout* layout = before.layout();
        if (layout->cacheEnabled()) {
            layout->setCacheEnabled(false);
            layout->clearLayout();
        }
    }
    block.layout()->setCacheEnabled(true);
    if (before != block)
        typing_ = QTextCursor(block);
}

void TPageLayout::layOut(const QTextBlock& block) {
    QTextDocument* doc = document();
    const qreal margin = doc->documentMargin();
    QTextLayout* layout = block.layout();
    const QTextOption option = doc->defaultTextOption();
    layout->setTextOption(option);
    qreal extraMargin = 0;
    if (option.flags() & QTextOption::AddSpaceForLineAndParagraphSeparators)
        extraMargin = QFontMetrics(block.charFormat().font()).horizontalAdvance(QChar(0x21B5));
    const qreal available = (width_ > 0 ? width_ : qreal(INT_MAX)) - 2 * margin - extraMargin;
    qreal height = 0;
    qreal widest = 0;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(available);
        line.setPosition(QPointF(margin, height));
        height += line.height();
        if (line.leading() < 0)
            height += qCeil(line.leading());
        widest = std::max(widest, line.naturalTextWidth() + 2 * margin);
    }
    layout->endLayout();

    const int linesBefore = doc->lineCount();
    const_cast<QTextBlock&>(block).setLineCount(block.isVisible() ? layout->lineCount() : 0);
    bool changed = doc->lineCount() != linesBefore;
    if (widest > widest_) {
        widest_ = widest;
        changed = true;
    }
    if (changed)
        tellSize();
}

void TPageLayout::tellSize() {
    // The editor sets its scroll bars on hearing this and lays blocks out while it does; those
    // layouts must not start another round.
    if (telling_)
        return;
    telling_ = true;
    emit documentSizeChanged(documentSize());
    telling_ = false;
}
