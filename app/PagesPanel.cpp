#include "app/PagesPanel.h"

#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kPageRole = Qt::UserRole + 1;

} // namespace

TPagesPanel::TPagesPanel(QWidget* parent) : QDockWidget("Pages", parent) {
    setObjectName("PagesPanel");
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    filter_ = new QLineEdit(box);
    filter_->setObjectName("PagesFilter");
    filter_->setPlaceholderText("Filter pages");
    filter_->setClearButtonEnabled(true);
    list_ = new QTreeWidget(box);
    list_->setObjectName("PagesList");
    list_->setColumnCount(2);
    list_->setHeaderLabels({"Page", "Findings"});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    note_ = new QLabel(box);
    note_->setWordWrap(true);
    note_->hide();
    column->addWidget(filter_);
    column->addWidget(note_);
    column->addWidget(list_);
    setWidget(box);

    toggle_ = toggleViewAction();
    toggle_->setText("&Pages");
    toggle_->setObjectName("Pages1");
    toggle_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F8));

    connect(filter_, &QLineEdit::textChanged, this, &TPagesPanel::applyFilter);
    connect(list_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item && openPage)
            openPage(item->data(0, kPageRole).toInt());
    });
    // Down from the filter goes into the list, Enter there opens the page it shows.
    filter_->installEventFilter(this);
    list_->installEventFilter(this);
}

int TPagesPanel::currentPage() const {
    const QTreeWidgetItem* item = list_->currentItem();
    return item && !item->isHidden() ? item->data(0, kPageRole).toInt() : -1;
}

void TPagesPanel::showPages(const std::vector<TRow>& rows, const QString& note) {
    const int current = currentPage();
    note_->setText(note);
    note_->setVisible(!note.isEmpty());
    list_->setUpdatesEnabled(false);
    // Rows are kept as they are where they can be: a run after each pause in typing must not
    // rebuild thousands of items.
    while (list_->topLevelItemCount() > static_cast<int>(rows.size()))
        delete list_->takeTopLevelItem(list_->topLevelItemCount() - 1);
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        if (!item) {
            item = new QTreeWidgetItem(list_);
            item->setData(0, kPageRole, i);
            item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        }
        const TRow& r = rows[static_cast<std::size_t>(i)];
        const QString count = r.findings < 0 ? QString("?") : QString::number(r.findings);
        if (item->text(0) != r.name)
            item->setText(0, r.name);
        if (item->text(1) != count)
            item->setText(1, count);
        if (item->font(0).bold() != r.open) {
            QFont f = item->font(0);
            f.setBold(r.open);
            item->setFont(0, f);
        }
    }
    applyFilter();
    if (current >= 0 && current < list_->topLevelItemCount())
        list_->setCurrentItem(list_->topLevelItem(current));
    list_->setUpdatesEnabled(true);
}

void TPagesPanel::applyFilter() {
    const QString part = filter_->text().trimmed();
    QTreeWidgetItem* first = nullptr;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        const bool shown = part.isEmpty() || item->text(0).contains(part, Qt::CaseInsensitive);
        item->setHidden(!shown);
        if (shown && !first)
            first = item;
    }
    QTreeWidgetItem* current = list_->currentItem();
    if ((!current || current->isHidden()) && first)
        list_->setCurrentItem(first);
}

bool TPagesPanel::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::KeyPress)
        return QDockWidget::eventFilter(watched, e);
    auto* k = static_cast<QKeyEvent*>(e);
    if (watched == filter_) {
        if (k->key() == Qt::Key_Down || k->key() == Qt::Key_Up) {
            list_->setFocus();
            QCoreApplication::sendEvent(list_, e);
            return true;
        }
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            if (const int page = currentPage(); page >= 0 && openPage)
                openPage(page);
            return true;
        }
    } else if (watched == list_) {
        // Typing in the list goes to the filter.
        const QString text = k->text();
        const bool typed = !text.isEmpty() && text.at(0).isPrint() &&
                           !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (typed || (k->key() == Qt::Key_Backspace && !filter_->text().isEmpty())) {
            filter_->setFocus();
            QCoreApplication::sendEvent(filter_, e);
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, e);
}
