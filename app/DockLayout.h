#pragma once

#include <QObject>

#include <vector>

class QDockWidget;
class QMainWindow;
class QWidget;

// Shares the main window's width between the editor and the docks at its sides. Each dock keeps a
// share of the width, not a width in pixels: the docks grow and shrink with the window, and the
// editor never gets narrower than kColumns columns of its font while a dock is beside it (unless
// the docks' own minimums need the room). Dragging a dock's edge sets its share.
class TDockLayout : public QObject {
    Q_OBJECT
public:
    static constexpr int kColumns = 40;

    // `editor` is the text control whose font sets the least width; the window's central widget
    // holds it.
    TDockLayout(QMainWindow& window, QWidget& editor);

    // A dock at the left or right of the editor; `firstShare` is its share until one is set.
    void addDock(QDockWidget* dock, double firstShare);
    double share(const QDockWidget* dock) const;
    void setShare(const QDockWidget* dock, double share);

    // The least width of the editor beside docks, in pixels (0 while no dock is beside it).
    int editorMinimum() const;
    // Lays the docks out now (it is otherwise done once the events of a change are handled).
    void arrange();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    struct TDock {
        QDockWidget* dock;
        double share;
        int arranged = -1; ///< its width when last arranged or dragged
    };
    bool besideEditor(const TDock& d) const; ///< shown, docked at the left or the right
    std::vector<TDock*> besideEditor();
    int room(std::size_t docks) const;
    int separator() const;
    void schedule();
    void updateEditorMinimum();

    QMainWindow& window_;
    QWidget& editor_;
    std::vector<TDock> docks_;
    bool scheduled_ = false;
    bool arranging_ = false;
    int arrangedRoom_ =
        -1; ///< the room at the last arrangement: a dock resized within it was dragged
};
