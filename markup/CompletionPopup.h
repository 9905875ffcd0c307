#pragma once

#include "markup/core/Completion.h"
#include "markup/core/PageIndex.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <vector>

class QListWidget;
class TColorMemo;
class TPageIndexer;

// The completion list under the caret: typing "^" offers the codes, "=" in a link the action
// words, "=:" the page's target names, "[" its variable names; Ctrl+Space offers what fits the
// caret's place, a file argument's files among them. The list filters as the author types and
// closes once the typed text is whole (a code, a word, a name); Up, Down, Page Up and Page Down
// move in it, Enter or Tab takes the choice (as one undo step, no line break) where it adds to
// what is typed or the author moved in the list, and otherwise closes the list and does what it
// does without it; Esc closes it; every other key goes to the editor as if there were no list.
// With the list closed, Tab and Shift+Tab in an action text select its next and previous argument.
class TCompletionPopup : public QObject {
    Q_OBJECT
public:
    TCompletionPopup(TColorMemo* memo, TPageIndexer* indexer, QObject* parent = nullptr);
    ~TCompletionPopup() override;

    // The size and colour boxes' values, for "^F" and "^P".
    std::function<QString()> sizeText;
    std::function<int()> colorNumber;
    // The files offered for the file argument of an action (its index): full paths.
    std::function<QStringList(int action)> files;

    void setEnabled(bool on);
    bool enabled() const { return enabled_; }
    bool isOpen() const;
    QListWidget* list() const { return list_; }

    // Opens the list for the caret's place, if anything fits it; returns whether it opened.
    bool openAtCaret();
    // Takes the list's current choice.
    void accept();
    void close();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    struct TWindow {
        std::string bytes; ///< page bytes from a line's start to the caret's line's end
        int offset = 0;    ///< page offset of its first byte
        int caret = 0;     ///< the caret in it
    };
    TWindow window() const;
    const markup::TPageIndex& index() const;
    // Reads the caret's place again: refilters the open list, or opens it when `opening` and the
    // place is of the kind given (None: any).
    void refresh(bool opening, markup::TCompletionKind kind = markup::TCompletionKind::None);
    std::vector<markup::TCompletionItem> itemsFor(const markup::TCompletionContext& c,
                                                  const TWindow& w) const;
    void fill();
    void place();
    bool stepArgument(bool forward);
    // Whether the current choice adds to what is typed.
    bool choiceAdds() const;
    // The context with the prefix the list filters on.
    markup::TCompletionContext filtered() const;

    TColorMemo* memo_;
    TPageIndexer* indexer_;
    QListWidget* list_;
    bool enabled_ = true;
    markup::TCompletionKind typedTrigger_ = markup::TCompletionKind::None;
    markup::TCompletionContext context_;
    bool moved_ = false; ///< the author moved in the list since it opened
    int windowOffset_ = 0;
    std::vector<markup::TCompletionItem> items_; ///< all of the kind
    std::vector<markup::TCompletionItem> shown_; ///< those the list shows
};
