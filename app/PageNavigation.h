#pragma once

#include <QObject>
#include <QString>
#include <QTextCursor>

#include <functional>
#include <vector>

class QAction;
class TColorMemo;
class TDialogs;
class TPageIndexer;
class TPrompts;

// Go to target, back, and rename target: from a target link's action text (or a Ctrl+click on it)
// to its mark's name; back to where the caret was before such a jump; a target mark and every link
// to it renamed in one undo step. They read the page's index, made afresh when the text has
// overtaken it.
//
// Go to target also follows a link to another page of the book (the window says where it leads and
// opens it); back then reopens the page that was left, at the same place: one history for both.
class TPageNavigation : public QObject {
    Q_OBJECT
public:
    struct TParts {
        TColorMemo& editor;
        TPageIndexer& indexer;
        TDialogs& dialogs;
        TPrompts& prompts;
        std::function<void(const QString& note)> note; ///< the status bar's note area
    };
    explicit TPageNavigation(TParts parts, QObject* parent = nullptr);

    // Runs before each command (the page finishes loading).
    std::function<void()> beforeCommand;
    // The page a link at offset of the open page leads to in its book: its path; empty when the
    // caret is in no link to a page, or when the link leads nowhere (then note says why).
    std::function<QString(int offset, QString& note)> pageLinkAt;
    // Opens a page at an offset (the unsaved-changes question first); false when it did not open.
    std::function<bool(const QString& path, int offset)> openPageAt;

    // Told when a page was opened or loaded again: places kept before are found by their offset.
    void pageOpened() { ++opened_; }

    QAction* goToTargetAction() const { return goTo_; }
    QAction* renameAction() const { return rename_; }
    QAction* backAction() const { return back_; }

    // Returns whether the caret went to a target.
    bool goToTarget();
    bool goBack();
    void renameTarget();

    // The most places kept to come back to.
    static constexpr int kHistory = 50;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    int caretOffset() const;
    void remember();
    // A link to another page at the caret: followed (or refused with a note). False: none there.
    bool followPageLink();

    struct TPlace {
        QTextCursor cursor; ///< moves with the edits of its page
        QString path;       ///< the page it is in
        int offset = 0;     ///< where it was when the page was left
        int opened = 0;     ///< the cursor holds while no page was opened since
    };

    TParts parts_;
    QAction* goTo_;
    QAction* rename_;
    QAction* back_;
    int opened_ = 0;
    std::vector<TPlace> history_; ///< where the caret was before each jump
    QObject* viewport_ = nullptr; ///< the editor's, where Ctrl+click is watched
};
