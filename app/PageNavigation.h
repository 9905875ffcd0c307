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

    TParts parts_;
    QAction* goTo_;
    QAction* rename_;
    QAction* back_;
    std::vector<QTextCursor> history_; ///< where the caret was before each jump; moves with edits
    QObject* viewport_ = nullptr;      ///< the editor's, where Ctrl+click is watched
};
