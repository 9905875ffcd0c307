#pragma once

#include "document/PageWatcher.h"
#include "editor/TextSearch.h"

#include <QString>

class TPageDocument;

// Searching and replacing in a page. Positions are its QTextDocument's (a line break counts one);
// the searched text is the page's raw text, which the display blocks of long lines do not break.
// The search runs over a copy of the document's raw text, made at the first search after a change
// and kept until the next change or release(): a page of 50 MB is copied once, not at each "find
// next".
class TDocumentSearch {
public:
    explicit TDocumentSearch(TPageDocument& page);
    TDocumentSearch(const TDocumentSearch&) = delete;
    TDocumentSearch& operator=(const TDocumentSearch&) = delete;

    // The searched text: the document's raw text, lines separated by U+2029.
    QStringView text();
    // The same text, shared rather than copied: it stays whole while the page changes.
    QString textCopy();
    // Frees the copy of the text (the find bar is closed).
    void release();

    struct TFound {
        TTextMatch Match;
        bool Wrapped = false; ///< found only after going round the page's end (or start)
    };
    // Forward: the first match starting at or after `position`, else the first from the page's
    // start. Backward: the last match starting before `position`, else the last of the page.
    TFound find(const TTextSearch& search, int position, bool forward);

    // Replaces every match in [from, to) with `with` (turned into page text by the caller) as one
    // undo step; returns how many. Nothing changes when there is none.
    int replaceAll(const TTextSearch& search, int from, int to, const QString& with);

private:
    TFound findInText(const TTextSearch& search, int position, bool forward);

    TPageDocument& page_;
    QString text_;
    bool stale_ = true;
    TPageWatch watch_;
};
