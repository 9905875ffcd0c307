#pragma once

#include "markup/CheckRunner.h"

#include <QDockWidget>

class QAction;
class QListWidget;
class QListWidgetItem;
class TColorMemo;

// The "Check" panel: a dock under the editor that lists the markup checker's findings in page order
// (level icon, line:column, message) and underlines them in the editor. Hidden at first; its
// toggle action ("Check &Markup", F7) shows and hides it, and the checker runs only while it
// shows. Clicking a finding or pressing Enter on it selects the finding's text in the editor.
class TCheckPanel : public QDockWidget {
    Q_OBJECT
public:
    explicit TCheckPanel(TColorMemo* memo, QWidget* parent = nullptr);

    QAction* toggleAction() const { return toggle_; }
    TCheckRunner& runner() { return runner_; }
    QListWidget* list() const { return list_; }

    // Selects the finding of a row in the editor and scrolls it into view.
    void selectFinding(int row);

    static QColor levelColor(markup::TLevel level);
    static QIcon levelIcon(markup::TLevel level);

private:
    void shownOrHidden(bool shown);
    void showResult();

    TColorMemo* memo_;
    TCheckRunner runner_;
    QListWidget* list_;
    QAction* toggle_;
    bool sized_ = false;
};
