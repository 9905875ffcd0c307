#include "editor/DocumentSearch.h"

#include "platform/DisplayCuts.h"

#include <QTextCursor>
#include <QTextDocument>

TDocumentSearch::TDocumentSearch(QTextDocument* document) : document_(document) {
    changed_ = QObject::connect(document, &QTextDocument::contentsChanged, document,
                                [this] { stale_ = true; });
}

TDocumentSearch::~TDocumentSearch() {
    QObject::disconnect(changed_);
}

QStringView TDocumentSearch::text() {
    if (stale_) {
        text_ = rawTextOf(*document_);
        stale_ = false;
    }
    return text_;
}

void TDocumentSearch::release() {
    text_ = QString();
    stale_ = true;
}

namespace {

// The searched text leaves out the cuts of long lines' display blocks (see TDisplayCuts).
int toText(const QTextDocument* doc, qsizetype position) {
    const TDisplayCuts* cuts = TDisplayCuts::of(doc);
    return cuts ? cuts->textPosition(int(position)) : int(position);
}

TTextMatch toDocument(const QTextDocument* doc, TTextMatch m) {
    const TDisplayCuts* cuts = TDisplayCuts::of(doc);
    if (!cuts || cuts->empty() || !m.found())
        return m;
    const int start = cuts->documentPosition(int(m.Start));
    // A match never starts or ends on a cut: it runs from the character after the one and up to
    // the character before the other.
    const int end = cuts->documentPosition(int(m.end()));
    const int first = m.Length > 0 ? cuts->documentPosition(int(m.Start) + 1) - 1 : start;
    return {first, end - first};
}

} // namespace

TDocumentSearch::TFound TDocumentSearch::find(const TTextSearch& search, int position,
                                              bool forward) {
    TFound found = findInText(search, toText(document_, position), forward);
    found.Match = toDocument(document_, found.Match);
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
        search.all(text(), toText(document_, from), toText(document_, to));
    if (matches.empty())
        return 0;
    if (TDisplayCuts* cuts = TDisplayCuts::of(document_))
        cuts->keepCuts(); // the change runs from the first match to the last
    // From the last match back, so that the positions of the others stay valid; inside one edit
    // block the cursor moves without laying out blocks, and the document reports one change.
    QTextCursor c(document_);
    c.beginEditBlock();
    for (auto it = matches.rbegin(); it != matches.rend(); ++it) {
        const TTextMatch m = toDocument(document_, *it);
        c.setPosition(static_cast<int>(m.Start));
        c.setPosition(static_cast<int>(m.end()), QTextCursor::KeepAnchor);
        c.insertText(with);
    }
    c.endEditBlock();
    return static_cast<int>(matches.size());
}
