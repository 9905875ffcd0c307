#pragma once

#include <QWidget>

class QTextBrowser;

// The help window: shows the program's help file (HTML) beside the main window, which owns it.
// A help file that cannot be read is reported inside the window itself, so that asking for help
// never stops the author's work.
class THelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit THelpViewer(QWidget* owner);

    // Loads the file, shows its contents page (its beginning) and brings the window to the front.
    // Returns false, with the reason shown in the window, when the file cannot be read.
    bool showContents(const QString& helpFile);

    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_;
    bool placed_ = false;
};
