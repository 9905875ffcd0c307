#include "app/PageNavigation.h"

#include "document/PageDocument.h"
#include "document/PageText.h"
#include "editor/ColMemo.h"
#include "markup/PageIndexer.h"
#include "platform/Dialogs.h"
#include "platform/Prompts.h"

#include <QAction>
#include <QMouseEvent>
#include <QTextDocument>

using namespace markup;

TPageNavigation::TPageNavigation(TParts parts, QObject* parent) : QObject(parent), parts_(parts) {
    goTo_ = new QAction("Go to &Target", this);
    goTo_->setObjectName("GoToTarget1");
    goTo_->setShortcut(QKeySequence(Qt::Key_F12));
    rename_ = new QAction("Rena&me Target...", this);
    rename_->setObjectName("RenameTarget1");
    back_ = new QAction("Go &Back", this);
    back_->setObjectName("GoBack1");
    back_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    back_->setEnabled(false);
    for (QAction* a : {goTo_, rename_, back_})
        a->setShortcutContext(Qt::WindowShortcut);
    connect(goTo_, &QAction::triggered, this, [this] { goToTarget(); });
    connect(rename_, &QAction::triggered, this, [this] { renameTarget(); });
    connect(back_, &QAction::triggered, this, [this] { goBack(); });
    viewport_ = parts_.editor.viewport();
    viewport_->installEventFilter(this);
}

int TPageNavigation::caretOffset() const {
    return parts_.editor.adapter().offsetFromPosition(parts_.editor.textCursor().position());
}

bool TPageNavigation::goToTarget() {
    if (beforeCommand)
        beforeCommand();
    const auto indexed = parts_.indexer.now();
    const TPageIndex& x = indexed->index;
    const int k = x.targetLinkAt(caretOffset());
    if (k < 0) {
        if (followPageLink())
            return true;
        parts_.note("The caret is not in a link to a target");
        return false;
    }
    const TLinkRef& link = x.links[static_cast<std::size_t>(k)];
    if (link.target < 0) {
        parts_.note(QString("There is no target mark \"^M%1^m\" in the page")
                        .arg(pagetext::fromBytes(link.name)));
        return false;
    }
    const TTargetMark& mark = x.targets[static_cast<std::size_t>(link.target)];
    remember();
    QTextCursor c(parts_.editor.document());
    c.setPosition(parts_.editor.adapter().positionFromOffset(mark.nameOffset));
    parts_.editor.SetTextCursorInView(c);
    parts_.editor.setFocus();
    parts_.note(QString());
    return true;
}

void TPageNavigation::remember() {
    const QString path = parts_.editor.Page().path();
    history_.push_back({parts_.editor.textCursor(), path, caretOffset(), opened_});
    if (static_cast<int>(history_.size()) > kHistory)
        history_.erase(history_.begin());
    back_->setEnabled(true);
}

bool TPageNavigation::followPageLink() {
    if (!pageLinkAt || !openPageAt)
        return false;
    QString note;
    const QString path = pageLinkAt(caretOffset(), note);
    if (path.isEmpty()) {
        if (note.isEmpty())
            return false;
        parts_.note(note);
        return true;
    }
    remember();
    if (!openPageAt(path, 0)) {
        history_.pop_back();
        back_->setEnabled(!history_.empty());
        return true;
    }
    parts_.note(QString());
    return true;
}

bool TPageNavigation::goBack() {
    if (history_.empty())
        return false;
    const TPlace place = history_.back();
    const QString open = parts_.editor.Page().path();
    if (place.path != open || place.opened != opened_) {
        // Another page: opened again where it was left.
        if (place.path.isEmpty() || !openPageAt || !openPageAt(place.path, place.offset))
            return false;
        history_.pop_back();
        back_->setEnabled(!history_.empty());
        return true;
    }
    history_.pop_back();
    back_->setEnabled(!history_.empty());
    const QTextCursor c = place.cursor;
    // A place in a text that was since replaced whole is gone.
    if (c.document() != parts_.editor.document() || c.isNull())
        return false;
    parts_.editor.SetTextCursorInView(c);
    parts_.editor.setFocus();
    return true;
}

void TPageNavigation::renameTarget() {
    if (beforeCommand)
        beforeCommand();
    const auto indexed = parts_.indexer.now();
    const TPageIndex& x = indexed->index;
    const int caret = caretOffset();
    int mark = x.targetMarkAt(caret);
    // Anywhere in a target link, its shown text too: the target it leads to.
    const int link = mark < 0 ? x.targetLinkAround(caret) : -1;
    if (link >= 0) {
        const TLinkRef& l = x.links[static_cast<std::size_t>(link)];
        mark = l.target;
        if (mark < 0) {
            parts_.note(QString("There is no target mark \"^M%1^m\" in the page")
                            .arg(pagetext::fromBytes(l.name)));
            return;
        }
    }
    if (mark < 0) {
        parts_.note("Put the caret on a target mark or a link to one to rename it");
        return;
    }
    QString name = pagetext::fromBytes(x.targets[static_cast<std::size_t>(mark)].name);
    const auto refusal = [&](const QString& wanted) {
        return QString::fromStdString(planRename(x, mark, pagetext::toPageBytes(wanted)).refusal);
    };
    if (!parts_.dialogs.executeRename(name, refusal))
        return;
    const std::string bytes = pagetext::toPageBytes(name);
    const TRenamePlan plan = planRename(x, mark, bytes);
    if (!plan.refusal.empty()) {
        parts_.prompts.errorNotice(QString::fromStdString(plan.refusal));
        return;
    }
    if (plan.edits.empty())
        return;
    // Every place in one undo step; the caret stays where it was.
    TPageDocument& page = parts_.editor.Page();
    std::vector<TPageDocument::TRange> ranges;
    for (const auto& e : plan.edits)
        ranges.push_back({e.offset, e.length});
    page.replaceEach(ranges, pagetext::fromBytes(bytes));
    parts_.editor.SetSelStart(std::min(caret, page.length()));
    parts_.note(QString("%1 renamed in %2 places").arg(name).arg(plan.edits.size()));
}

bool TPageNavigation::eventFilter(QObject* watched, QEvent* e) {
    // The viewport kept when the filter went on: the editor may be half destroyed by the time
    // its viewport's last events come, and must not be asked for it then.
    if (watched == viewport_ && e->type() == QEvent::MouseButtonPress) {
        auto* m = static_cast<QMouseEvent*>(e);
        if (m->button() == Qt::LeftButton && (m->modifiers() & Qt::ControlModifier)) {
            const QTextCursor at = parts_.editor.cursorForPosition(m->position().toPoint());
            const auto indexed = parts_.indexer.now();
            const int offset = parts_.editor.adapter().offsetFromPosition(at.position());
            if (indexed->index.targetLinkAt(offset) >= 0) {
                parts_.editor.setTextCursor(at);
                goToTarget();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, e);
}
