#include "platform/HelpViewer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScreen>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

THelpViewer::THelpViewer(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("HelpViewer");
    setWindowTitle("Lark Pad Help");
    browser_ = new QTextBrowser(this);
    browser_->setObjectName("HelpBrowser");
    // Links to web pages leave the help for the desktop's browser; links inside the help stay.
    browser_->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(680, 600);
}

bool THelpViewer::showContents(const QString& helpFile) {
    const QFileInfo info(helpFile);
    QFile file(helpFile);
    QString reason;
    if (!info.exists())
        reason = "the file does not exist";
    else if (info.isDir())
        reason = "it is a folder";
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
