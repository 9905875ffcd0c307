#include "editor/DocumentSearch.h"

#include "document/PageDocument.h"

#include <QTextCursor>
#include <QTextDocument>

TDocumentSearch::TDocumentSearch(TPageDocument& page)
    : page_(page), watch_(page, {.changed = [this](int, int, int) { stale_ = true; }}) {}

QStringView TDocumentSearch::text() {
    if (stale_) {
        text_ = page_.rawText();
        stale_ = false;
    }
    return text_;
}

QString TDocumentSearch::textCopy() {
    text();
    return text_;
}

void TDocumentSearch::release() {
    text_ = QString();
    stale_ = true;
}

namespace {

// A match never starts or ends between two display blocks: it runs from the character after the
// one and up to the character before the other.
TTextMatch toDocument(const TPageDocument& page, TTextMatch m) {
    if (!page.hasContinuations() || !m.found())
        return m;
    const int start = page.documentPosition(int(m.Start));
    const int end = page.documentPosition(int(m.end()));
    const int first = m.Length > 0 ? page.documentPosition(int(m.Start) + 1) - 1 : start;
    return {first, end - first};
}

} // namespace

TDocumentSearch::TFound TDocumentSearch::find(const TTextSearch& search, int position,
                                              bool forward) {
    TFound found = findInText(search, page_.textPosition(position), forward);
    found.Match = toDocument(page_, found.Match);
    return found;
}

TDocumentSearch::TFound TDocumentSearch::findInText(const TTextSearch& search, int position,
                                                    bool forward) {
    const QStringView t = text();
    if (forward) {
        if (const TTextMatch m = search.next(t, position); m.found())
            return {m, false};
        // Round the end: matches that start before the position, found from the page's start.
        return {
            search.next(t, 0, std::min<qsizetype>(t.size(), position + search.needle().size() - 1)),
            true};
    }
    if (const TTextMatch m = search.previous(t, position); m.found())
        return {m, false};
    return {search.previous(t, t.size(), position), true};
}

int TDocumentSearch::replaceAll(const TTextSearch& search, int from, int to, const QString& with) {
    const std::vector<TTextMatch> matches =
        search.all(text(), page_.textPosition(from), page_.textPosition(to));
    if (matches.empty())
        return 0;
    page_.prepareWideEdit(); // the change runs from the first match to the last
    // From the last match back, so that the positions of the others stay valid; inside one edit
    // block the cursor moves without laying out blocks, and the document reports one change.
    QTextCursor c(page_.textDocument());
    c.beginEditBlock();
    for (auto it = matches.rbegin(); it != matches.rend(); ++it) {
        const TTextMatch m = toDocument(page_, *it);
        c.setPosition(static_cast<int>(m.Start));
        c.setPosition(static_cast<int>(m.end()), QTextCursor::KeepAnchor);
        c.insertText(with);
    }
    c.endEditBlock();
    return static_cast<int>(matches.size());
}
