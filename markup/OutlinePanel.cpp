#include "markup/OutlinePanel.h"

#include "document/PageText.h"
#include "editor/ColMemo.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QHeaderView>
#include <QScrollBar>
#include <QTextCursor>
#include <QTreeView>

#include <algorithm>
#include <string>

using namespace markup;

namespace {

constexpr const char* kTitle = "Outline";
constexpr int kMaxShown = 80; ///< characters of a visible text shown in an item

QString shown(const std::string& bytes) {
    QString s = pagetext::fromBytes(bytes);
    s.replace(QLatin1String("\r\n"), QLatin1String(" "));
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (s.size() > kMaxShown)
        s = s.left(kMaxShown - 1) + QChar(0x2026);
    return s;
}

} // namespace

// Rows: one per mark, then the group of links to missing targets, then the group of actions.
// A child's internal id is its parent's row + 1; a top-level row's is 0.
class TOutlineModel : public QAbstractItemModel {
public:
    using QAbstractItemModel::QAbstractItemModel;

    void setIndexed(std::shared_ptr<const TPageIndexer::TIndexed> indexed) {
        beginResetModel();
        x_ = std::move(indexed);
        endResetModel();
    }
    const TPageIndexer::TIndexed* indexed() const { return x_.get(); }

    int marks() const { return x_ ? static_cast<int>(x_->index.targets.size()) : 0; }
    int missingRow() const { return marks(); }
    int actionsRow() const { return marks() + 1; }

    const std::vector<int>* children(int row) const {
        if (!x_)
            return nullptr;
        if (row < marks())
            return &x_->groups.byTarget[static_cast<std::size_t>(row)];
        if (row == missingRow())
            return &x_->groups.missing;
        if (row == actionsRow())
            return &x_->groups.actions;
        return nullptr;
    }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override {
        if (column != 0 || row < 0 || row >= rowCount(parent))
            return {};
        return createIndex(row, 0, parent.isValid() ? quintptr(parent.row() + 1) : quintptr(0));
    }
    QModelIndex parent(const QModelIndex& child) const override {
        if (!child.isValid() || child.internalId() == 0)
            return {};
        return createIndex(static_cast<int>(child.internalId()) - 1, 0, quintptr(0));
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        if (!x_)
            return 0;
        if (!parent.isValid())
            return marks() + 2;
        if (parent.internalId() != 0)
            return 0;
        const std::vector<int>* c = children(parent.row());
        return c ? static_cast<int>(c->size()) : 0;
    }
    int columnCount(const QModelIndex& = {}) const override { return 1; }

    // The link an item stands for, or -1 (a mark or a group).
    int linkOf(const QModelIndex& i) const {
        if (!i.isValid() || i.internalId() == 0)
            return -1;
        const std::vector<int>* c = children(static_cast<int>(i.internalId()) - 1);
        return c && i.row() < static_cast<int>(c->size()) ? (*c)[static_cast<std::size_t>(i.row())]
                                                          : -1;
    }
    int markOf(const QModelIndex& i) const {
        return i.isValid() && i.internalId() == 0 && i.row() < marks() ? i.row() : -1;
    }

    QVariant data(const QModelIndex& i, int role) const override {
        if (!x_ || !i.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        const TPageIndex& p = x_->index;
        if (const int m = markOf(i); m >= 0) {
            const TTargetMark& t = p.targets[static_cast<std::size_t>(m)];
            return QString("%1  (line %2)")
                .arg(t.name.empty() ? QString("(no name)") : shown(t.name))
                .arg(t.line + 1);
        }
        if (i.internalId() == 0)
            return QString(i.row() == missingRow() ? "Links to missing targets (%1)"
                                                   : "Actions (%1)")
                .arg(rowCount(i));
        const int k = linkOf(i);
        if (k < 0)
            return {};
        const TLinkRef& l = p.links[static_cast<std::size_t>(k)];
        if (!l.toTarget)
            return QString("line %1: %2 %3 %4")
                .arg(l.line + 1)
                .arg(pagetext::fromBytes(l.word), QChar(0x2014), shown(l.visible));
        if (l.target < 0)
            return QString("line %1: %2 %3 :%4")
                .arg(l.line + 1)
                .arg(shown(l.visible), QChar(0x2192), shown(l.name));
        return QString("line %1: %2").arg(l.line + 1).arg(shown(l.visible));
    }

    // What an item is, apart from its place: its page bytes without the line (its parent's too),
    // and how many items before it have the same.
    struct TKey {
        std::string parent;
        std::string own;
        int nth = 0;
        bool valid = false;
    };
    std::string bareText(const QModelIndex& i) const {
        if (const int m = markOf(i); m >= 0)
            return "M" + x_->index.targets[static_cast<std::size_t>(m)].name;
        if (i.internalId() == 0)
            return i.row() == missingRow() ? "G1" : "G2";
        const TLinkRef& l = x_->index.links[static_cast<std::size_t>(linkOf(i))];
        return "L" + l.visible + '\n' + l.name + '\n' + l.word;
    }
    TKey keyOf(const QModelIndex& i) const {
        TKey key;
        if (!x_ || !i.isValid())
            return key;
        key.own = bareText(i);
        key.valid = true;
        const QModelIndex parent = i.parent();
        for (int r = 0; r < i.row(); ++r)
            if (bareText(index(r, 0, parent)) == key.own)
                ++key.nth;
        if (parent.isValid())
            key.parent = bareText(parent);
        return key;
    }
    QModelIndex find(const TKey& key) const {
        if (!key.valid || !x_)
            return {};
        QModelIndex parent;
        if (!key.parent.empty()) {
            for (int r = 0; r < rowCount() && !parent.isValid(); ++r)
                if (bareText(index(r, 0)) == key.parent)
                    parent = index(r, 0);
            if (!parent.isValid())
                return {};
        }
        int seen = 0;
        for (int r = 0; r < rowCount(parent); ++r)
            if (bareText(index(r, 0, parent)) == key.own && seen++ == key.nth)
                return index(r, 0, parent);
        return {};
    }

private:
    std::shared_ptr<const TPageIndexer::TIndexed> x_;
};

TOutlinePanel::TOutlinePanel(TColorMemo* memo, TPageIndexer* indexer, QWidget* parent)
    : QDockWidget(kTitle, parent), memo_(memo), indexer_(indexer) {
    setObjectName("OutlinePanel");
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    model_ = new TOutlineModel(this);
    tree_ = new QTreeView(this);
    tree_->setObjectName("OutlineTree");
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    tree_->setUniformRowHeights(true);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setExpandsOnDoubleClick(false);
    setWidget(tree_);

    toggle_ = new QAction("&Outline", this);
    toggle_->setObjectName("Outline1");
    toggle_->setCheckable(true);
    toggle_->setShortcut(QKeySequence(Qt::Key_F8));
    toggle_->setShortcutContext(Qt::WindowShortcut);
    connect(toggle_, &QAction::toggled, this, [this](bool on) {
        setVisible(on);
        if (!on) {
            memo_->setFocus();
            return;
        }
        tree_->setFocus();
    });
    connect(this, &QDockWidget::visibilityChanged, this, [this] {
        toggle_->setChecked(!isHidden());
        indexer_->setActive(!isHidden());
        // An index made while the panel was hidden (asked for by go to target or completion) is
        // the latest one: the indexer, current with it, makes no other to show.
        if (!isHidden() && indexer_->latest() && model_->indexed() != indexer_->latest().get())
            showIndex();
    });
    connect(indexer_, &TPageIndexer::indexReady, this, &TOutlinePanel::showIndex);
    connect(tree_, &QTreeView::activated, this, &TOutlinePanel::activate);
}

TOutlinePanel::~TOutlinePanel() = default;

void TOutlinePanel::showIndex() {
    if (isHidden() && model_->indexed())
        return; // shown again when the panel opens
    const auto was = model_->keyOf(tree_->currentIndex());
    const int scroll = tree_->verticalScrollBar()->value();
    // Folded top-level items stay folded.
    std::vector<TOutlineModel::TKey> folded;
    const bool hadRows = model_->rowCount() > 0;
    if (hadRows && model_->rowCount() <= kExpandAllUpTo)
        for (int r = 0; r < model_->rowCount(); ++r)
            if (!tree_->isExpanded(model_->index(r, 0)) &&
                model_->rowCount(model_->index(r, 0)) > 0)
                folded.push_back(model_->keyOf(model_->index(r, 0)));
    tree_->setUpdatesEnabled(false);
    model_->setIndexed(indexer_->latest());
    if (model_->rowCount() <= kExpandAllUpTo) {
        tree_->expandAll();
        for (const auto& k : folded)
            tree_->collapse(model_->find(k));
    }
    if (const QModelIndex now = model_->find(was); now.isValid())
        tree_->selectionModel()->setCurrentIndex(now, QItemSelectionModel::ClearAndSelect);
    tree_->verticalScrollBar()->setValue(scroll);
    tree_->setUpdatesEnabled(true);
}

void TOutlinePanel::activate(const QModelIndex& index) {
    QModelIndex at = index;
    // An index that the text has overtaken would point beside the source: the page is read again
    // first, and the same item found in it.
    if (!indexer_->current()) {
        const auto key = model_->keyOf(index);
        indexer_->now();
        at = model_->find(key);
        if (!at.isValid())
            return;
        tree_->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
    }
    const TPageIndexer::TIndexed* x = model_->indexed();
    if (!x)
        return;
    int from = -1, to = -1;
    if (const int m = model_->markOf(at); m >= 0) {
        from = x->index.targets[static_cast<std::size_t>(m)].offset;
        to = x->index.targets[static_cast<std::size_t>(m)].end;
    } else if (const int k = model_->linkOf(at); k >= 0) {
        from = x->index.links[static_cast<std::size_t>(k)].offset;
        to = x->index.links[static_cast<std::size_t>(k)].end;
    } else {
        tree_->setExpanded(at, !tree_->isExpanded(at));
        return;
    }
    const TEditAdapter& adapter = memo_->adapter();
    QTextCursor c(memo_->document());
    c.setPosition(adapter.positionFromOffset(from));
    c.setPosition(adapter.positionFromOffset(to), QTextCursor::KeepAnchor);
    memo_->SetTextCursorInView(c);
    memo_->setFocus();
}
