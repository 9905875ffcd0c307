#include "platform/EditAdapter.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

TEditAdapter::TEditAdapter(const QPlainTextEdit* edit) : edit_(edit) {}

const QTextDocument* TEditAdapter::doc() const { return edit_->document(); }

int TEditAdapter::offsetFromPosition(int position) const {
    const QTextBlock block = doc()->findBlock(position);
    return position + (block.isValid() ? block.blockNumber() : doc()->blockCount() - 1);
}

int TEditAdapter::positionFromOffset(int offset) const {
    if (offset <= 0)
        return 0;
    // Binary search for the last block whose CR LF start offset is <= offset.
    int lo = 0, hi = doc()->blockCount() - 1;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        const QTextBlock b = doc()->findBlockByNumber(mid);
        if (b.position() + mid <= offset)
            lo = mid;
        else
            hi = mid - 1;
    }
    const QTextBlock b = doc()->findBlockByNumber(lo);
    const int start = b.position() + lo;
    // An offset inside the CR LF pair lands at the end of the line.
    const int inLine = std::min(offset - start, b.length() - 1);
    return b.position() + inLine;
}

int TEditAdapter::textLength() const {
    return doc()->characterCount() - 1 + (doc()->blockCount() - 1);
}

int TEditAdapter::logicalLineCount() const { return doc()->blockCount(); }
