#include "markup/PreviewPanel.h"

#include "document/PageDocument.h"
#include "editor/ColMemo.h"
#include "markup/PreviewDocument.h"
#include "markup/core/PageMarkup.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

namespace {

constexpr const char* kTitle = "Preview";

} // namespace

TPreviewPanel::TPreviewPanel(TColorMemo* memo, QWidget* parent)
    : QDockWidget(kTitle, parent), memo_(memo), preview_(new TPreviewDocument(memo->Page(), this)) {
    setObjectName("PreviewPanel");
    setAllowedAreas(Qt::RightDockWidgetArea | Qt::LeftDockWidgetArea);
    setFocusPolicy(Qt::NoFocus);
    view_ = new QTextEdit(this);
    view_->setObjectName("PreviewView");
    view_->setReadOnly(true);
    view_->setUndoRedoEnabled(false);
    view_->setFocusPolicy(Qt::NoFocus);
    view_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    view_->setDocument(preview_->document());
    view_->viewport()->installEventFilter(this);
    view_->viewport()->setMouseTracking(true);
    setWidget(view_);

    toggle_ = new QAction("Page &Preview", this);
    toggle_->setObjectName("PagePreview1");
    toggle_->setCheckable(true);
    toggle_->setShortcut(QKeySequence(Qt::Key_F6));
    toggle_->setShortcutContext(Qt::WindowShortcut);
    connect(toggle_, &QAction::toggled, this, [this](bool on) {
        setVisible(on);
        memo_->setFocus();
    });
    connect(this, &QDockWidget::visibilityChanged, this, [this] { shownOrHidden(!isHidden()); });
    // Once the preview's layout has taken the edit in: the caret's paragraph has its place then.
    connect(memo_, &QPlainTextEdit::cursorPositionChanged, this,
            [this] { queueFollow(false, true); });
    connect(preview_, &TPreviewDocument::rebuilt, this, [this] { queueFollow(true, true); });
    // A window placed once the slices read its lines: the caret's paragraph goes to the middle.
    connect(preview_, &TPreviewDocument::windowMoved, this, [this] {
        if (following_)
            return; // placed while following: that follow shows it
        centreQueued_ = true;
        queueFollow(false, true);
    });
    // The two views scroll together: the editor's scrolling moves the preview, and the author's
    // scrolling of the preview moves the editor. Neither answers a move that the other made.
    connect(memo_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (!leading_)
            queueFollow(true, false);
    });
    connect(view_->verticalScrollBar(), &QScrollBar::actionTriggered, this,
            &TPreviewPanel::queueLead);
    // Scrolled near an end of the lines it holds, the preview takes in more of the page.
    connect(view_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (extendQueued_)
            return;
        extendQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            extendQueued_ = false;
            extendNearEnds();
        });
    });
}

TPreviewPanel::~TPreviewPanel() = default;

void TPreviewPanel::setBaseFont(const QFont& font) {
    preview_->setBaseFont(font);
}

void TPreviewPanel::shownOrHidden(bool shown) {
    toggle_->setChecked(shown);
    preview_->setActive(shown);
}

int TPreviewPanel::characterAt(QPoint viewportPoint) const {
    const QPointF at(viewportPoint.x() + view_->horizontalScrollBar()->value(),
                     viewportPoint.y() + view_->verticalScrollBar()->value());
    return preview_->document()->documentLayout()->hitTest(at, Qt::ExactHit);
}

void TPreviewPanel::showInView(int position, bool centre) {
    QTextDocument* doc = preview_->document();
    const QTextBlock block = doc->findBlock(position);
    if (!block.isValid())
        return;
    const QRectF r = doc->documentLayout()->blockBoundingRect(block);
    QScrollBar* bar = view_->verticalScrollBar();
    const int height = view_->viewport()->height();
    const int top = bar->value();
    if (centre) {
        bar->setValue(static_cast<int>(r.center().y()) - height / 2);
        return;
    }
    // Only as far as it takes: a paragraph already in view stays where it is.
    if (r.top() < top)
        bar->setValue(block.blockNumber() == 0 ? 0 : static_cast<int>(r.top()));
    else if (r.bottom() > top + height)
        bar->setValue(static_cast<int>(std::min(r.top(), r.bottom() - height)) + 1);
}

void TPreviewPanel::queueFollow(bool scrolled, bool caretMoved) {
    if (!preview_->active())
        return;
    scrolled_ = scrolled_ || scrolled;
    caretMoved_ = caretMoved_ || caretMoved;
    if (followQueued_)
        return;
    followQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        followQueued_ = false;
        if (preview_->active())
            follow();
    });
}

void TPreviewPanel::follow() {
    if (!memo_)
        return;
    const bool scrolled = scrolled_, caretMoved = caretMoved_;
    scrolled_ = caretMoved_ = false;
    // The editor's top line first; then the caret's paragraph, as far as it takes to show it.
    if (scrolled)
        showLineAtTop(editorTopLine());
    if (caretMoved || centreQueued_)
        followCaret();
}

int TPreviewPanel::editorTopLine() const {
    return memo_->Page().lineOfBlock(memo_->cursorForPosition(QPoint(0, 0)).blockNumber());
}

int TPreviewPanel::topLine() const {
    // A hair below the top: a paragraph placed at the top also ends the one above it there.
    const QTextBlock top = view_->cursorForPosition(QPoint(0, 2)).block();
    return preview_->windowFirst() + std::max(top.blockNumber(), 0);
}

bool TPreviewPanel::showLineAtTop(int line) {
    if (holdLine(line) == TPreviewDocument::THold::NotRead)
        return false;
    const QTextBlock block =
        preview_->document()->findBlockByNumber(line - preview_->windowFirst());
    if (!block.isValid())
        return false;
    const QRectF r = preview_->document()->documentLayout()->blockBoundingRect(block);
    view_->verticalScrollBar()->setValue(line == 0 ? 0 : static_cast<int>(r.top()));
    return true;
}

void TPreviewPanel::queueLead() {
    if (leadQueued_ || !preview_->active())
        return;
    leadQueued_ = true;
    // The scroll bar's action and the wheel's move are taken after their signal and event: the
    // view has moved by the next turn.
    QTimer::singleShot(0, this, [this] {
        leadQueued_ = false;
        leadEditor();
    });
}

void TPreviewPanel::leadEditor() {
    if (!memo_ || !preview_->active())
        return;
    extendNearEnds();
    TPageDocument& page = memo_->Page();
    const int line = std::min(topLine(), page.lineCount() - 1);
    if (line == editorTopLine())
        return;
    leading_ = true;
    memo_->verticalScrollBar()->setValue(page.firstBlockOfLine(line));
    leading_ = false;
}

void TPreviewPanel::followCaret() {
    if (!memo_)
        return;
    TPageDocument& page = memo_->Page();
    const int offset = page.offsetFromPosition(memo_->textCursor().position());
    const TPreviewDocument::THold hold = holdLine(page.lineColumnOfOffset(offset).line);
    if (hold == TPreviewDocument::THold::NotRead)
        return; // followed once the slices have read it
    const bool centre = hold == TPreviewDocument::THold::Moved || centreQueued_;
    centreQueued_ = false;
    const int position = preview_->positionOf(offset);
    markCaretParagraph(position);
    if (position >= 0)
        showInView(position, centre);
}

void TPreviewPanel::markCaretParagraph(int position) {
    QList<QTextEdit::ExtraSelection> marks;
    if (position >= 0) {
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(preview_->document()->findBlock(position));
        QColor tint = view_->palette().color(QPalette::Highlight);
        tint.setAlpha(40);
        mark.format.setBackground(tint);
        mark.format.setProperty(QTextFormat::FullWidthSelection, true);
        marks.append(mark);
    }
    view_->setExtraSelections(marks);
}

int TPreviewPanel::markedLine() const {
    const QList<QTextEdit::ExtraSelection> marks = view_->extraSelections();
    if (marks.isEmpty() || !preview_->active())
        return -1;
    return preview_->windowFirst() + marks.front().cursor.blockNumber();
}

TPreviewDocument::THold TPreviewPanel::holdLine(int line) {
    following_ = true;
    const TPreviewDocument::THold hold = preview_->holdLine(line);
    following_ = false;
    return hold;
}

void TPreviewPanel::extendNearEnds() {
    QScrollBar* bar = view_->verticalScrollBar();
    const int margin = view_->viewport()->height();
    const bool up = bar->value() < margin && preview_->windowFirst() > 0;
    const bool down = !up && bar->value() > bar->maximum() - margin;
    if (!up && !down)
        return;
    // The line at the top of the view stays where it is.
    QTextDocument* doc = preview_->document();
    const QTextBlock top = view_->cursorForPosition(QPoint(0, 0)).block();
    const int line = preview_->windowFirst() + top.blockNumber();
    const int shift =
        static_cast<int>(doc->documentLayout()->blockBoundingRect(top).top()) - bar->value();
    if (!preview_->extendWindow(up))
        return;
    const QTextBlock again = doc->findBlockByNumber(line - preview_->windowFirst());
    if (again.isValid())
        bar->setValue(static_cast<int>(doc->documentLayout()->blockBoundingRect(again).top()) -
                      shift);
}

void TPreviewPanel::moveCaret(int pageOffset, int selectTo) {
    TPageDocument& page = memo_->Page();
    QTextCursor c(memo_->document());
    if (selectTo >= 0) {
        c.setPosition(page.positionFromOffset(pageOffset));
        c.setPosition(page.positionFromOffset(selectTo), QTextCursor::KeepAnchor);
    } else {
        c.setPosition(page.positionFromOffset(pageOffset));
    }
    memo_->setTextCursor(c);
    memo_->ensureCursorVisible();
    memo_->setFocus();
}

void TPreviewPanel::clickAt(int position, int exactPosition, QPoint globalAt) {
    if (exactPosition >= 0) {
        const TPreviewDocument::TLinkInfo link = preview_->linkAt(exactPosition);
        if (link.link) {
            const QString action = link.action.trimmed();
            if (action.startsWith(QLatin1Char(':'))) {
                const QString name = action.mid(1).trimmed();
                const int target = preview_->targetOffset(name);
                if (target < 0) {
                    if (showNote)
                        showNote(QString("No target \"%1\" in the page").arg(name));
                    return;
                }
                moveCaret(target);
                memo_->centerCursor();
                // The target may be far from the lines the preview holds: it follows the caret.
                holdLine(memo_->Page().lineColumnOfOffset(target).line);
                const int position = preview_->positionOf(target);
                if (position >= 0)
                    showInView(position, true);
                return;
            }
            // Nothing runs from here: the action shows, and the link's source is selected.
            if (!action.isEmpty())
                QToolTip::showText(globalAt, action, view_);
            moveCaret(link.from, link.to);
            return;
        }
    }
    moveCaret(preview_->pageOffsetOf(position));
}

bool TPreviewPanel::eventFilter(QObject* watched, QEvent* e) {
    if (watched != view_->viewport())
        return QDockWidget::eventFilter(watched, e);
    switch (e->type()) {
    case QEvent::MouseButtonPress: {
        auto* m = static_cast<QMouseEvent*>(e);
        pressed_ = m->button() == Qt::LeftButton;
        pressedAt_ = m->position().toPoint();
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* m = static_cast<QMouseEvent*>(e);
        const QPoint at = m->position().toPoint();
        if (pressed_ && m->button() == Qt::LeftButton &&
            (at - pressedAt_).manhattanLength() < QApplication::startDragDistance()) {
            pressed_ = false;
            const int position = view_->cursorForPosition(at).position();
            clickAt(position, characterAt(at), m->globalPosition().toPoint());
            return true;
        }
        pressed_ = false;
        break;
    }
    case QEvent::MouseMove: {
        auto* m = static_cast<QMouseEvent*>(e);
        const int at = characterAt(m->position().toPoint());
        const bool link = at >= 0 && preview_->document()->findBlock(at).isValid() &&
                          preview_->linkAt(at, false).link;
        view_->viewport()->setCursor(link ? Qt::PointingHandCursor : Qt::IBeamCursor);
        break;
    }
    case QEvent::Wheel:
        queueLead();
        break;
    case QEvent::ToolTip: {
        auto* h = static_cast<QHelpEvent*>(e);
        const int at = characterAt(h->pos());
        const TPreviewDocument::TLinkInfo link =
            at >= 0 ? preview_->linkAt(at) : TPreviewDocument::TLinkInfo();
        if (link.link && !link.action.isEmpty())
            QToolTip::showText(h->globalPos(), link.action, view_);
        else
            QToolTip::hideText();
        return true;
    }
    default:
        break;
    }
    return QDockWidget::eventFilter(watched, e);
}
