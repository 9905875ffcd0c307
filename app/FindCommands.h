#pragma once

#include "editor/DocumentSearch.h"
#include "editor/MatchCount.h"
#include "editor/TextSearch.h"

#include <QString>

class TColorMemo;

// What the find bar does to the editor: find next and previous from the selection, replace the
// selected match, replace all, with the texts the bar shows afterwards. Each command returns that
// text: empty after a plain find, "Not found", or what else the author should know.
class TFindCommands {
public:
    explicit TFindCommands(TColorMemo& memo);

    static const QString kNotFound;
    static const QString kWrappedToTop;
    static const QString kWrappedToBottom;

    // The searched text and options; shown as a tint on the visible matches while marks are on.
    void setSearch(const QString& needle, TSearchOptions options);
    const TTextSearch& search() const { return search_; }
    void setMarksShown(bool shown);

    // Searching as the field is typed in: from the selection's start, so that a match that
    // grows keeps its place.
    QString findAsTyped();
    QString findNext();
    QString findPrevious();
    // Replaces the selection when it is a match, then finds the next one from after it: a
    // replacement that holds the searched text is never searched again.
    QString replace(const QString& with);
    // Every match in the page, or in the selection when it spans more than one line, in one
    // step that one Undo takes back whole.
    QString replaceAll(const QString& with);
    // The bar is closed: no tint, and the copy of the text is freed.
    void close();

    // The matches over the whole page, counted in the background.
    TMatchCount& matchCount() { return count_; }
    // "3 of 26" while the selection is the third of 26 matches, "26 matches" while it is none of
    // them; empty while there is none or the count is not known yet.
    QString countText() const;

    // The text to put in the field when the bar opens: the selection when it lies on one line.
    QString selectionForField() const;

private:
    QString find(int position, bool forward);
    bool selectionIsMatch() const;

    TColorMemo& memo_;
    TDocumentSearch documentSearch_;
    TMatchCount count_;
    TTextSearch search_;
    bool marksShown_ = false;
};
