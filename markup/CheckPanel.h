#pragma once

#include "markup/CheckRunner.h"

#include <QDockWidget>

#include <functional>

class QAction;
class QListWidget;
class QListWidgetItem;
class QStackedWidget;
class QTreeWidget;
class TColorMemo;

// The "Check" panel: a dock under the editor that lists the markup checker's findings in page order
// (level icon, line:column, message) and underlines them in the editor. Hidden at first; its
// toggle action ("Check &Markup", F7) shows and hides it, and the checker runs only while it
// shows. Clicking a finding or pressing Enter on it selects the finding's text in the editor.
// F4 and Shift+F4 go from the editor's caret to the next and the previous finding (showing the
// panel first when it is hidden). A new result keeps the finding that was selected selected, found
// again by its level, message and place, wherever its row went.
//
// It also shows the findings of a whole book, grouped by page: Enter or a double click on one asks
// for its page to be opened at the finding. Showing the panel again with its toggle goes back to
// the page's own findings.
class TCheckPanel : public QDockWidget {
    Q_OBJECT
public:
    explicit TCheckPanel(TColorMemo* memo, QWidget* parent = nullptr);

    QAction* toggleAction() const { return toggle_; }
    QAction* nextAction() const { return next_; }
    QAction* previousAction() const { return previous_; }
    TCheckRunner& runner() { return runner_; }
    QListWidget* list() const { return list_; }

    // Selects the finding of a row in the list and in the editor, and scrolls it into view.
    void selectFinding(int row);
    // Selects the finding after (step 1) or before (step -1) the editor's caret, going round at
    // the page's end.
    void stepFinding(int step);

    // A finding of a book: the page it is in (index and name) and the finding (message in UTF-8).
    struct TBookRow {
        int page = 0;
        QString pageName;
        markup::TFinding finding;
    };
    // Shows the book's findings grouped by page, and the panel. title follows "Check: ".
    void showBookFindings(const std::vector<TBookRow>& rows, const QString& title);
    bool showingBook() const;
    QTreeWidget* bookList() const { return bookList_; }
    // Asked to open a page of the book at a finding's offset.
    std::function<void(int page, int offset)> openBookFinding;

    static QColor levelColor(markup::TLevel level);
    static QIcon levelIcon(markup::TLevel level);

private:
    void shownOrHidden(bool shown);
    void showResult();
    // The row of the new result that shows the finding that was selected; -1: none was.
    int rowOfSelected(const std::vector<markup::TFinding>& findings) const;

    TColorMemo* memo_;
    TCheckRunner runner_;
    QListWidget* list_;
    QTreeWidget* bookList_;
    QStackedWidget* stack_;
    QAction* toggle_;
    QAction* next_;
    QAction* previous_;
    bool sized_ = false;
    int pendingStep_ = 0;                 ///< a step asked for while the panel was hidden
    std::vector<markup::TFinding> shown_; ///< the findings the list shows, row by row
};
