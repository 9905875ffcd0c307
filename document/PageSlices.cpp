#include "document/PageSlices.h"

#include "document/PageDocument.h"
#include "document/PageText.h"

#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

TPageSlices::TPageSlices(const TPageDocument& page) : page_(page), cuts_(page.hasContinuations()) {}

bool TPageSlices::next(std::string& bytes, qsizetype characters) {
    if (done_)
        return false;
    QTextDocument* doc = page_.textDocument();
    const int end = doc->characterCount() - 1;
    const int to = int(std::min<qsizetype>(end, position_ + std::max<qsizetype>(characters, 1)));
    QTextCursor range(doc);
    range.setPosition(position_);
    range.setPosition(to, QTextCursor::KeepAnchor);
    // Lines separated by U+2029, as rawText() gives them, the display blocks of a long line
    // joined again.
    QString text = range.selectedText();
    position_ = to;
    if (cuts_) {
        QChar* units = text.data();
        qsizetype kept = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (units[i] == QChar::ParagraphSeparator && page_.continuesLine(++block_))
                continue;
            units[kept++] = units[i];
        }
        text.truncate(kept);
    }
    if (carried_) {
        text.prepend(carry_);
        carried_ = false;
    }
    done_ = position_ >= end;
    if (!done_ && !text.isEmpty() && text.back() == u'\r') {
        carry_ = text.back();
        carried_ = true;
        text.chop(1);
    }
    bytes += pagetext::toPageBytes(text);
    return !done_;
}
