#pragma once

#include <QDockWidget>

#include <functional>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QTreeWidget;

// The "Pages" panel: a dock at the left of the editor that lists the pages of the open page's book
// in the book's order, each with its finding count, the open page in bold. Typing in it filters the
// list (by a part of the name, without regard to case); Enter or a double click opens a page.
// Hidden at first; its toggle action ("&Pages") shows and hides it.
class TPagesPanel : public QDockWidget {
    Q_OBJECT
public:
    struct TRow {
        QString name;
        int findings = -1; ///< -1: not known yet
        bool open = false;
    };

    explicit TPagesPanel(QWidget* parent = nullptr);

    QAction* toggleAction() const { return toggle_; }
    QTreeWidget* list() const { return list_; }
    QLineEdit* filter() const { return filter_; }

    // Shows the pages (row i is page i); note is shown instead when there is no book.
    void showPages(const std::vector<TRow>& rows, const QString& note = {});
    // The page the current row shows, -1 when none.
    int currentPage() const;

    // Asked to open page i of the book.
    std::function<void(int page)> openPage;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void applyFilter();

    QLineEdit* filter_;
    QTreeWidget* list_;
    QLabel* note_;
    QAction* toggle_;
};
