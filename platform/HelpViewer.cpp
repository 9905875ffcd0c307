#include "platform/HelpViewer.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextCursor>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

THelpViewer::THelpViewer(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("HelpViewer");
    setWindowTitle("Lark Pad Help");
    browser_ = new QTextBrowser(this);
    browser_->setObjectName("HelpBrowser");
    // Links to web pages leave the help for the desktop's browser; links inside the help stay.
    browser_->setOpenExternalLinks(true);

    back_ = new QToolButton(this);
    back_->setObjectName("HelpBack");
    back_->setText("Back");
    back_->setToolTip("Back (Alt+Left)");
    back_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    back_->setEnabled(false);
    forward_ = new QToolButton(this);
    forward_->setObjectName("HelpForward");
    forward_->setText("Forward");
    forward_->setToolTip("Forward (Alt+Right)");
    forward_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
    forward_->setEnabled(false);
    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);

    find_ = new QLineEdit(this);
    find_->setObjectName("HelpFind");
    find_->setPlaceholderText("Find (Ctrl+F)");
    find_->setClearButtonEnabled(true);
    findNote_ = new QLabel(this);
    findNote_->setObjectName("HelpFindNote");
    connect(find_, &QLineEdit::textEdited, findNote_, &QLabel::clear);
    auto* focusFind = new QShortcut(QKeySequence::Find, this);
    connect(focusFind, &QShortcut::activated, this, [this] {
        find_->setFocus();
        find_->selectAll();
    });

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 4, 4, 0);
    bar->addWidget(back_);
    bar->addWidget(forward_);
    bar->addStretch(1);
    bar->addWidget(findNote_);
    bar->addWidget(find_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bar);
    layout->addWidget(browser_);
    resize(680, 600);
}

void THelpViewer::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (enter && find_->hasFocus()) {
        findNext(e->modifiers().testFlag(Qt::ShiftModifier));
        return;
    }
    QWidget::keyPressEvent(e);
}

bool THelpViewer::findNext(bool backward) {
    const QString term = find_->text();
    findNote_->clear();
    if (term.isEmpty())
        return false;
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    QTextCursor from = browser_->textCursor();
    QTextCursor found = browser_->document()->find(term, from, flags);
    if (found.isNull()) {
        // Round the end (or the beginning) of the help.
        from.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        found = browser_->document()->find(term, from, flags);
    }
    if (found.isNull()) {
        findNote_->setText("Not found");
        return false;
    }
    browser_->setTextCursor(found);
    browser_->ensureCursorVisible();
    return true;
}

bool THelpViewer::showContents(const QString& helpFile) {
    const QFileInfo info(helpFile);
    QFile file(helpFile);
    QString reason;
    if (!info.exists())
        reason = "the file does not exist";
    else if (info.isDir())
        reason = "it is a folder";
    else if (!info.isFile()) // a named pipe or a device would hold the window
        reason = "it is not a regular file";
    else if (!file.open(QIODevice::ReadOnly))
        reason = file.errorString();
    file.close();

    bool ok = reason.isEmpty();
    if (ok) {
        browser_->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
        // A file that opened but holds nothing shows an empty page: say so instead.
        if (browser_->document()->isEmpty()) {
            ok = false;
            reason = "the file is empty";
        }
    }
    if (!ok) {
        browser_->clearHistory();
        browser_->setSource(QUrl());
        browser_->setPlainText(QStringLiteral("Cannot open the help file %1: %2.")
                                   .arg(QDir::toNativeSeparators(helpFile), reason));
    } else {
        // Shown again after the author followed links: back to the contents at the top.
        browser_->verticalScrollBar()->setValue(0);
    }
    if (!placed_) {
        // First showing: in the middle of the owner's screen; later showings keep the place the
        // author gave the window.
        placed_ = true;
        QScreen* s = parentWidget() ? parentWidget()->screen() : screen();
        if (s) {
            QRect r = frameGeometry();
            r.moveCenter(s->availableGeometry().center());
            move(r.topLeft());
        }
    }
    show();
    raise();
    activateWindow();
    return ok;
}
