#include "markup/CheckPanel.h"

#include "document/PageText.h"
#include "editor/ColMemo.h"

#include <QAction>
#include <QListWidget>
#include <QMainWindow>
#include <QPainter>
#include <QPixmap>
#include <QStackedWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTreeWidget>

#include <algorithm>
#include <cstdlib>

using namespace markup;

namespace {

constexpr const char* kTitle = "Check";

// Messages quote the page's own bytes.
QString fromPage(const std::string& bytes) {
    return pagetext::fromBytes(bytes);
}

} // namespace

TCheckPanel::TCheckPanel(TColorMemo* memo, QWidget* parent)
    : QDockWidget(kTitle, parent), memo_(memo), runner_(memo->Page()) {
    setObjectName("CheckPanel");
    setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
    list_ = new QListWidget(this);
    list_->setObjectName("CheckList");
    list_->setUniformItemSizes(true);
    bookList_ = new QTreeWidget(this);
    bookList_->setObjectName("BookCheckList");
    bookList_->setHeaderHidden(true);
    bookList_->setUniformRowHeights(true);
    stack_ = new QStackedWidget(this);
    stack_->addWidget(list_);
    stack_->addWidget(bookList_);
    setWidget(stack_);

    toggle_ = new QAction("Check &Markup", this);
    toggle_->setObjectName("CheckMarkup1");
    toggle_->setCheckable(true);
    toggle_->setShortcut(QKeySequence(Qt::Key_F7));
    connect(toggle_, &QAction::toggled, this, [this](bool on) {
        setVisible(on);
        if (!on)
            return;
        stack_->setCurrentWidget(list_);
        // The first time, a quarter of the window: the editor stays the main thing.
        if (auto* window = qobject_cast<QMainWindow*>(parentWidget()); window && !sized_) {
            sized_ = true;
            window->resizeDocks({this}, {std::max(window->height() / 4, 90)}, Qt::Vertical);
        }
        list_->setFocus();
    });
    next_ = new QAction("&Next Finding", this);
    next_->setObjectName("NextFinding1");
    next_->setShortcut(QKeySequence(Qt::Key_F4));
    previous_ = new QAction("Pre&vious Finding", this);
    previous_->setObjectName("PreviousFinding1");
    previous_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F4));
    for (QAction* a : {next_, previous_}) {
        // The window's keys, whether the panel shows or not.
        a->setShortcutContext(Qt::WindowShortcut);
        if (parent)
            parent->addAction(a);
    }
    connect(next_, &QAction::triggered, this, [this] { stepFinding(1); });
    connect(previous_, &QAction::triggered, this, [this] { stepFinding(-1); });

    connect(this, &QDockWidget::visibilityChanged, this, [this] { shownOrHidden(!isHidden()); });
    connect(&runner_, &TCheckRunner::resultReady, this, &TCheckPanel::showResult);
    connect(list_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { selectFinding(list_->row(item)); });
    connect(list_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { selectFinding(list_->row(item)); });
    connect(bookList_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const QVariant page = item->data(0, Qt::UserRole);
        if (page.isValid() && openBookFinding)
            openBookFinding(page.toInt(), item->data(0, Qt::UserRole + 1).toInt());
    });
}

bool TCheckPanel::showingBook() const {
    return stack_->currentWidget() == bookList_;
}

void TCheckPanel::showBookFindings(const std::vector<TBookRow>& rows, const QString& title) {
    toggle_->setChecked(true);
    bookList_->clear();
    const QIcon icons[kLevelCount] = {levelIcon(TLevel::Problem), levelIcon(TLevel::Warning),
                                      levelIcon(TLevel::Note)};
    QTreeWidgetItem* group = nullptr;
    int groupPage = -1;
    int count = 0;
    auto closeGroup = [&] {
        if (group)
            group->setText(0, QString("%1 (%2)").arg(group->text(0)).arg(count));
    };
    for (const TBookRow& r : rows) {
        if (!group || r.page != groupPage) {
            closeGroup();
            group = new QTreeWidgetItem(bookList_, {r.pageName});
            groupPage = r.page;
            count = 0;
        }
        ++count;
        const TFinding& f = r.finding;
        auto* item = new QTreeWidgetItem(group, {QString("%1:%2  %3")
                                                     .arg(f.line)
                                                     .arg(f.column)
                                                     .arg(QString::fromStdString(f.message))});
        item->setIcon(0, icons[static_cast<int>(f.level)]);
        item->setToolTip(0, QString::fromLatin1(levelName(f.level)));
        item->setData(0, Qt::UserRole, r.page);
        item->setData(0, Qt::UserRole + 1, f.offset);
    }
    closeGroup();
    bookList_->expandAll();
    if (QTreeWidgetItem* first = bookList_->topLevelItem(0))
        bookList_->setCurrentItem(first->child(0) ? first->child(0) : first);
    stack_->setCurrentWidget(bookList_);
    setWindowTitle(QString("%1: %2").arg(kTitle, title));
    bookList_->setFocus();
}

void TCheckPanel::shownOrHidden(bool shown) {
    toggle_->setChecked(shown);
    runner_.setActive(shown);
    if (!shown)
        setWindowTitle(kTitle);
}

QColor TCheckPanel::levelColor(TLevel level) {
    switch (level) {
    case TLevel::Problem:
        return QColor(0xD3, 0x2F, 0x2F);
    case TLevel::Warning:
        return QColor(0xE0, 0x8A, 0x00);
    case TLevel::Note:
        return QColor(0x1E, 0x6F, 0xD9);
    }
    return Qt::black;
}

// A filled circle for a problem, a triangle for a warning, a ring for a note: told apart without
// their colours too.
QIcon TCheckPanel::levelIcon(TLevel level) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor c = levelColor(level);
    if (level == TLevel::Problem) {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawEllipse(QRectF(2, 2, 12, 12));
    } else if (level == TLevel::Warning) {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawPolygon(QPolygonF({QPointF(8, 1.5), QPointF(15, 14.5), QPointF(1, 14.5)}));
    } else {
        p.setPen(QPen(c, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(3, 3, 10, 10));
    }
    return QIcon(pm);
}

int TCheckPanel::rowOfSelected(const std::vector<TFinding>& findings) const {
    const int row = list_->currentRow();
    const auto& marks = memo_->FindingMarks().marks();
    if (row < 0 || row >= static_cast<int>(shown_.size()) || row >= static_cast<int>(marks.size()))
        return -1;
    const TFinding& was = shown_[row];
    // Where its text is now: its mark moved with the edits. A mark whose text was edited is gone;
    // then where it was.
    const TEditAdapter& adapter = memo_->adapter();
    const int at =
        marks[row].position >= 0 ? marks[row].position : adapter.positionFromOffset(was.offset);
    int best = -1;
    int bestDistance = 0;
    for (int k = 0; k < static_cast<int>(findings.size()); ++k) {
        const TFinding& f = findings[k];
        if (f.level != was.level || f.message != was.message)
            continue;
        const int distance = std::abs(adapter.positionFromOffset(f.offset) - at);
        if (best < 0 || distance < bestDistance) {
            best = k;
            bestDistance = distance;
        }
    }
    return best;
}

void TCheckPanel::showResult() {
    const TCheckResult& r = runner_.result();
    const int selected = rowOfSelected(r.findings);
    const int row = std::max(list_->currentRow(), 0);
    list_->clear();
    std::vector<TFindingMarks::TMark> marks;
    marks.reserve(r.findings.size());
    const QIcon icons[kLevelCount] = {levelIcon(TLevel::Problem), levelIcon(TLevel::Warning),
                                      levelIcon(TLevel::Note)};
    const TEditAdapter& adapter = memo_->adapter();
    for (const TFinding& f : r.findings) {
        auto* item = new QListWidgetItem(
            icons[static_cast<int>(f.level)],
            QString("%1:%2  %3").arg(f.line).arg(f.column).arg(fromPage(f.message)));
        item->setToolTip(QString::fromLatin1(levelName(f.level)));
        list_->addItem(item);
        const int from = adapter.positionFromOffset(f.offset);
        const int to = adapter.positionFromOffset(f.offset + f.length);
        marks.push_back({from, std::max(to - from, 0), levelColor(f.level), fromPage(f.message)});
    }
    shown_ = r.findings;
    if (list_->count() > 0)
        list_->setCurrentRow(selected >= 0 ? selected : std::min(row, list_->count() - 1));
    memo_->FindingMarks().setMarks(std::move(marks));
    // A step asked for while the panel was hidden waits for the whole first check.
    if (pendingStep_ != 0 && runner_.active() && !runner_.busy()) {
        const int step = pendingStep_;
        pendingStep_ = 0;
        stepFinding(step);
    }
    if (showingBook())
        return;
    setWindowTitle(runner_.active()
                       ? QString("%1: %2").arg(kTitle).arg(QString::fromStdString(countsText(r)))
                       : QString(kTitle));
}

void TCheckPanel::selectFinding(int row) {
    const auto& marks = memo_->FindingMarks().marks();
    if (row < 0 || row >= static_cast<int>(marks.size()) || marks[row].position < 0)
        return;
    if (list_->currentRow() != row)
        list_->setCurrentRow(row);
    const int end = memo_->document()->characterCount() - 1;
    QTextCursor c(memo_->document());
    c.setPosition(std::min(marks[row].position, end));
    c.setPosition(std::min(marks[row].position + marks[row].length, end), QTextCursor::KeepAnchor);
    memo_->setTextCursor(c);
    memo_->centerCursor();
    memo_->setFocus();
}

void TCheckPanel::stepFinding(int step) {
    if (isHidden()) {
        // The check starts with the panel; the step is taken once its result is in.
        pendingStep_ = step;
        toggle_->setChecked(true);
        memo_->setFocus();
        return;
    }
    const auto& marks = memo_->FindingMarks().marks();
    const int caret = memo_->textCursor().selectionStart();
    const int count = static_cast<int>(marks.size());
    int found = -1;
    // Marks are in page order; a mark whose text was edited is skipped.
    for (int k = 0; k < count; ++k) {
        const int i = step > 0 ? k : count - 1 - k;
        if (marks[i].position < 0)
            continue;
        if (step > 0 ? marks[i].position > caret : marks[i].position < caret) {
            found = i;
            break;
        }
    }
    if (found < 0) // round the end of the page
        for (int k = 0; k < count && found < 0; ++k) {
            const int i = step > 0 ? k : count - 1 - k;
            if (marks[i].position >= 0)
                found = i;
        }
    if (found >= 0)
        selectFinding(found);
}
