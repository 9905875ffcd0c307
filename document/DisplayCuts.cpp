#include "document/DisplayCuts.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

TDisplayCuts::TDisplayCuts(QTextDocument* document) : QObject(document), document_(document) {
    blockCount_ = document->blockCount();
    connect(document, &QTextDocument::contentsChange, this, &TDisplayCuts::changed);
    remember();
}

bool TDisplayCuts::hasLongLine(QStringView text) {
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        if (end - start > TCutIndex::kLongestUncutLine)
            return true;
        start = end + 1;
    }
    return false;
}

void TDisplayCuts::insertText(QTextCursor& cursor, const QString& text) {
    cursor.beginEditBlock();
    if (cursor.hasSelection())
        cursor.removeSelectedText();
    const int before = cursor.positionInBlock();
    const int after = cursor.block().length() - 1 - before;
    // Where the cuts go, as offsets into text: each line of text is a run that may be cut.
    std::vector<qsizetype> cuts;
    for (qsizetype start = 0;;) {
        qsizetype end = text.indexOf(u'\n', start);
        const bool last = end < 0;
        if (last)
            end = text.size();
        for (int at :
             TCutIndex::cutPoints(start == 0 ? before : 0, int(end - start), last ? after : 0))
            cuts.push_back(start + at);
        if (last)
            break;
        start = end + 1;
    }
    qsizetype from = 0;
    for (qsizetype at : cuts) {
        if (at > from)
            cursor.insertText(text.mid(from, at - from));
        cursor.insertBlock();
        keep(cursor.position() - 1);
        from = at;
    }
    if (from < text.size())
        cursor.insertText(from == 0 ? text : text.mid(from));
    cursor.endEditBlock();
}

void TDisplayCuts::keep(int separator) {
    // The cursor holds the separator selected: while the separator stands the selection follows
    // it, and once it is deleted the selection is empty.
    QTextCursor c(document_);
    c.setPosition(separator);
    c.setPosition(separator + 1, QTextCursor::KeepAnchor);
    pending_.push_back(c);
}

void TDisplayCuts::keepCuts() {
    for (int p : cutPositions())
        keep(p);
}

void TDisplayCuts::undo() {
    restoring_ = true;
    document_->undo();
    restoring_ = false;
    restore(true);
}

void TDisplayCuts::redo() {
    restoring_ = true;
    document_->redo();
    restoring_ = false;
    restore(true);
}

void TDisplayCuts::changed(int position, int removed, int added) {
    Q_UNUSED(removed);
    if (restoring_) {
        // Undo or redo: the state it reaches is known as soon as the document is in it, which is
        // before the control reacts to the change.
        restore(false);
        return;
    }
    const int count = document_->blockCount();
    const int end = std::min(position + added, document_->characterCount() - 1);
    const int first = document_->findBlock(position).blockNumber();
    const int newSpan = document_->findBlock(end).blockNumber() - first;
    const int oldSpan = newSpan - (count - blockCount_);
    // The separators inserted here as cuts; every other new separator is a line break.
    std::vector<int> cuts;
    for (const QTextCursor& c : pending_) {
        const int p = c.selectionStart();
        if (c.hasSelection() && p >= position && p < position + added &&
            document_->characterAt(p) == QChar(QChar::ParagraphSeparator))
            cuts.push_back(document_->findBlock(p + 1).blockNumber());
    }
    pending_.clear();
    if (oldSpan < 0)
        index_.clear(); // not a change one edit makes; the blocks stand as lines
    else
        index_.edit(first, oldSpan, newSpan, std::move(cuts));
    blockCount_ = count;
    remember();
}

void TDisplayCuts::remember() {
    const size_t steps = size_t(document_->availableUndoSteps());
    states_.resize(steps + 1);
    states_[steps] = {index_, blockCount_};
}

void TDisplayCuts::restore(bool final) {
    const size_t steps = size_t(document_->availableUndoSteps());
    const int count = document_->blockCount();
    if (steps < states_.size() && states_[steps].blockCount == count)
        index_ = states_[steps].index;
    else if (final)
        index_.clear(); // a state never reached by editing: every block is a line
    else
        return;
    blockCount_ = count;
}

std::vector<int> TDisplayCuts::cutPositions() const {
    std::vector<int> positions;
    positions.reserve(size_t(index_.count()));
    for (int b : index_.blocks())
        positions.push_back(document_->findBlockByNumber(b).position() - 1);
    return positions;
}

namespace {

// The text less the characters at the given positions (in order, counted from `from`).
QString without(const QString& text, const std::vector<int>& positions, int from) {
    QString out;
    out.reserve(text.size());
    qsizetype at = 0;
    for (int p : positions) {
        const qsizetype i = p - from;
        if (i < at || i >= text.size())
            continue;
        out.append(QStringView(text).mid(at, i - at));
        at = i + 1;
    }
    out.append(QStringView(text).mid(at));
    return out;
}

} // namespace

QString TDisplayCuts::rawText() const {
    if (index_.empty())
        return document_->toRawText();
    return without(document_->toRawText(), cutPositions(), 0);
}

QString TDisplayCuts::rawText(int from, int to) const {
    QTextCursor c(document_);
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    const QString text = c.selectedText();
    if (index_.empty())
        return text;
    return without(text, cutPositions(), std::min(from, to));
}

int TDisplayCuts::textPosition(int position) const {
    if (index_.empty())
        return position;
    return position - index_.countUpTo(document_->findBlock(position).blockNumber());
}

int TDisplayCuts::documentPosition(int textPosition) const {
    if (index_.empty())
        return textPosition;
    // The i-th cut stands at text position p_i - i; a text position on a cut is the end of the
    // block before it.
    const std::vector<int> cuts = cutPositions();
    int lo = 0, hi = int(cuts.size());
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (cuts[size_t(mid)] - mid < textPosition)
            lo = mid + 1;
        else
            hi = mid;
    }
    return textPosition + lo;
}

TDisplayCuts::TLineColumn TDisplayCuts::lineColumn(int position) const {
    QTextBlock b = document_->findBlock(position);
    TLineColumn lc{index_.lineOfBlock(b.blockNumber()), position - b.position()};
    while (index_.isCut(b.blockNumber())) {
        b = b.previous();
        lc.column += b.length() - 1;
    }
    return lc;
}
