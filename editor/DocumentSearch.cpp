#include "editor/DocumentSearch.h"

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
        text_ = document_->toRawText();
        stale_ = false;
    }
    return text_;
}

void TDocumentSearch::release() {
    text_ = QString();
    stale_ = true;
}

TDocumentSearch::TFound TDocumentSearch::find(const TTextSearch& search, int position,
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
    const std::vector<TTextMatch> matches = search.all(text(), from, to);
    if (matches.empty())
        return 0;
    // From the last match back, so that the positions of the others stay valid; inside one edit
    // block the cursor moves without laying out blocks, and the document reports one change.
    QTextCursor c(document_);
    c.beginEditBlock();
    for (auto m = matches.rbegin(); m != matches.rend(); ++m) {
        c.setPosition(static_cast<int>(m->Start));
        c.setPosition(static_cast<int>(m->end()), QTextCursor::KeepAnchor);
        c.insertText(with);
    }
    c.endEditBlock();
    return static_cast<int>(matches.size());
}
