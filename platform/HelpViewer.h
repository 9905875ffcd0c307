#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;
class QToolButton;

// The help window: shows the program's help file (HTML) beside the main window, which owns it.
// A help file that cannot be read is reported inside the window itself, so that asking for help
// never stops the author's work. Back and Forward (Alt+Left, Alt+Right) retrace the links followed;
// Ctrl+F goes to the find field, where Enter finds the next place and Shift+Enter the previous one,
// going round at the ends; Esc closes the window.
class THelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit THelpViewer(QWidget* owner);

    // Loads the file, shows its contents page (its beginning) and brings the window to the front.
    // Returns false, with the reason shown in the window, when the file cannot be read.
    bool showContents(const QString& helpFile);

    QTextBrowser* browser() const { return browser_; }
    QToolButton* backButton() const { return back_; }
    QToolButton* forwardButton() const { return forward_; }
    QLineEdit* findField() const { return find_; }
    QLabel* findNote() const { return findNote_; }

    // Finds the find field's text after (or before) the current selection, going round; says
    // "Not found" beside the field when the help does not hold it.
    bool findNext(bool backward = false);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    QTextBrowser* browser_;
    QToolButton* back_;
    QToolButton* forward_;
    QLineEdit* find_;
    QLabel* findNote_;
    bool placed_ = false;
};
