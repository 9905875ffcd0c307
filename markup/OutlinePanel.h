#pragma once

#include "markup/PageIndexer.h"

#include <QDockWidget>

class QAction;
class QModelIndex;
class QTreeView;
class TColorMemo;
class TOutlineModel;

// The "Outline" panel: a dock at the left of the editor that lists the page's target marks in page
// order with their lines, under each the links that lead to it, then the links to missing targets
// and the other action links. Hidden at first; its toggle action ("&Outline", F8) shows and hides
// it, and the page is indexed only while it shows (in the background, after each pause in typing).
// Enter or a double click on an item selects its source in the editor. A new index keeps the item
// that was selected selected, and the list where it was scrolled.
class TOutlinePanel : public QDockWidget {
    Q_OBJECT
public:
    TOutlinePanel(TColorMemo* memo, TPageIndexer* indexer, QWidget* parent = nullptr);
    ~TOutlinePanel() override;

    QAction* toggleAction() const { return toggle_; }
    QTreeView* tree() const { return tree_; }
    // Selects the source of an item in the editor and scrolls it into view.
    void activate(const QModelIndex& index);

    // Shows the indexer's latest index, keeping the selected item, the folded items and the
    // scroll position (done at each new index while the panel shows).
    void showIndex();

    // Top-level rows that are shown expanded after an index; a longer outline starts folded.
    static constexpr int kExpandAllUpTo = 5000;

private:
    TColorMemo* memo_;
    TPageIndexer* indexer_;
    TOutlineModel* model_;
    QTreeView* tree_;
    QAction* toggle_;
};
