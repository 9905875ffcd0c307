// Replace-selection as one undo step that, when taken back, selects the replaced text again.
#include "editor/ColMemo.h"

#include "document/PageDocument.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>

#include <algorithm>

namespace {

// The selection that a ReplaceSel step had, reported while TColorMemo::Undo runs.
struct TUndoneSelection {
    const TColorMemo* memo = nullptr;
    bool found = false;
    int anchor = 0, position = 0; ///< document positions
};
TUndoneSelection* undoInProgress = nullptr; // one user-interface thread

// Part of a ReplaceSel undo step: remembers the replaced selection.
class TSelectionUndo : public QAbstractUndoItem {
public:
    TSelectionUndo(const TColorMemo* memo, int anchor, int position)
        : memo_(memo), anchor_(anchor), position_(position) {}
    void undo() override {
        if (undoInProgress && undoInProgress->memo == memo_) {
            undoInProgress->found = true;
            undoInProgress->anchor = anchor_;
            undoInProgress->position = position_;
        }
    }
    void redo() override {}

private:
    QPointer<const TColorMemo> memo_;
    int anchor_, position_;
};

} // namespace

void TColorMemo::ReplaceSel(const QString& text) {
    QTextCursor c = textCursor();
    const int anchor = c.anchor(), position = c.position();
    c.beginEditBlock();
    page_->insertText(c, toPageText(text));
    document()->appendUndoItem(new TSelectionUndo(this, anchor, position));
    c.endEditBlock();
    setTextCursor(c);
}

void TColorMemo::Undo() {
    TUndoneSelection undone{this};
    undoInProgress = &undone;
    const bool hadCuts = page_->hasContinuations();
    page_->undo();
    undoInProgress = nullptr;
    caretMovedWithCuts(hadCuts);
    if (!undone.found)
        return;
    const int end = document()->characterCount() - 1;
    QTextCursor c(document());
    c.setPosition(std::clamp(undone.anchor, 0, end));
    c.setPosition(std::clamp(undone.position, 0, end), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

void TColorMemo::Redo() {
    const bool hadCuts = page_->hasContinuations();
    page_->redo();
    caretMovedWithCuts(hadCuts);
}

void TColorMemo::caretMovedWithCuts(bool hadCuts) {
    // The caret moved while the step was taken back or done again, before the cuts of the state
    // it reached were known: whoever shows its line and column hears of it again.
    if (hadCuts || page_->hasContinuations())
        emit cursorPositionChanged();
}

void TColorMemo::contextMenuEvent(QContextMenuEvent* e) {
    QMenu* menu = createStandardContextMenu(e->pos());
    if (QAction* undoAction = menu->findChild<QAction*>(QStringLiteral("edit-undo"))) {
        QObject::disconnect(undoAction, &QAction::triggered, nullptr, nullptr);
        connect(undoAction, &QAction::triggered, this, &TColorMemo::Undo);
    }
    if (QAction* redoAction = menu->findChild<QAction*>(QStringLiteral("edit-redo"))) {
        QObject::disconnect(redoAction, &QAction::triggered, nullptr, nullptr);
        connect(redoAction, &QAction::triggered, this, &TColorMemo::Redo);
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (OnContextMenu) {
        const int position = e->reason() == QContextMenuEvent::Mouse
                                 ? cursorForPosition(e->pos()).position()
                                 : textCursor().position();
        OnContextMenu(menu, position);
    }
    menu->popup(e->globalPos());
}
