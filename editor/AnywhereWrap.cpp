#include "editor/AnywhereWrap.h"

#include "editor/core/BreakOpportunities.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

TAnywhereWrap::TAnywhereWrap(QPlainTextEdit& edit) : QObject(&edit), edit_(edit) {
    connect(edit.document(), &QTextDocument::contentsChange, this, &TAnywhereWrap::contentsChanged);
}

bool TAnywhereWrap::blockHasRun(const QTextBlock& block) const {
    // A paragraph this short cannot hold such a run: no copy of its text.
    if (block.length() <= int(kLongestUnbroken))
        return false;
    const QString text = block.text();
    return hasUnbrokenRun(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                              std::size_t(text.size())));
}

void TAnywhereWrap::contentsChanged(int position, int /*removed*/, int added) {
    const QTextDocument* doc = edit_.document();
    const QTextBlock last = doc->findBlock(position + added);
    for (QTextBlock b = doc->findBlock(position); b.isValid(); b = b.next()) {
        if (blockHasRun(b)) {
            known_ = QTextCursor(b);
            setActive(true);
            return;
        }
        if (b == last)
            break;
    }
    if (!active_ || blockHasRun(known_.block()))
        return;
    for (QTextBlock b = doc->firstBlock(); b.isValid(); b = b.next()) {
        if (blockHasRun(b)) {
            known_ = QTextCursor(b);
            return;
        }
    }
    setActive(false);
}

void TAnywhereWrap::setActive(bool on) {
    if (on == active_)
        return;
    active_ = on;
    if (!on)
        known_ = QTextCursor();
    edit_.setWordWrapMode(on ? QTextOption::WrapAnywhere
                             : QTextOption::WrapAtWordBoundaryOrAnywhere);
}
