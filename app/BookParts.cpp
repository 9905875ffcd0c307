// The main window's book: the pages of the open page's folder, indexed in the background, listed in
// the Pages panel, checked together ("Check the Book") and followed across by Go to Target and Go
// Back.
#include "app/Unit1.h"

#include "app/BookIndexer.h"
#include "app/DocumentCommands.h"
#include "app/PageNavigation.h"
#include "app/PagesPanel.h"
#include "document/PageDocument.h"
#include "document/PageText.h"
#include "editor/ColMemo.h"
#include "markup/CheckPanel.h"
#include "settings/LpIniCtrl.h"
#include "settings/SettingsKeys.h"

#include <QFileInfo>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>
#include <QTextCursor>
#include <QToolButton>

namespace {

// The progress shows only for a book this long: a short one is read before it could be seen.
constexpr int kProgressFrom = 50;

QString pageName(const book::TBook& b, int i) {
    return QString::fromStdString(b.page(i).fileName);
}

} // namespace

void TForm1::createBook() {
    BookIndexer1 = new TBookIndexer(Clm1->Page(), this);
    PagesPanel1 = new TPagesPanel(this);
    addDockWidget(Qt::LeftDockWidgetArea, PagesPanel1);
    PagesPanel1->hide();
    View1->addAction(PagesPanel1->toggleAction());
    connect(PagesPanel1, &QDockWidget::visibilityChanged, this,
            [this] { BookIndexer1->setActive(!PagesPanel1->isHidden()); });
    PagesPanel1->openPage = [this](int page) {
        runCommand([this, page] {
            const auto r = BookIndexer1->latest();
            if (r && page < r->index.book().count())
                openPageAt(QString::fromStdString(r->index.book().pathOf(page)), -1);
        });
    };

    CheckBook1 = new QAction("Check the &Book", this);
    CheckBook1->setObjectName("CheckBook1");
    CheckBook1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F7));
    CheckBook1->setShortcutContext(Qt::WindowShortcut);
    connect(CheckBook1, &QAction::triggered, this,
            [this] { runCommand([this] { CheckBook1Click(); }); });
    Edition1->addAction(CheckBook1);
    CheckPanel1->openBookFinding = [this](int page, int offset) {
        runCommand([this, page, offset] {
            const auto r = BookIndexer1->latest();
            if (r && page < r->index.book().count())
                openPageAt(QString::fromStdString(r->index.book().pathOf(page)), offset);
        });
    };

    BookProgress = new QProgressBar(this);
    BookProgress->setObjectName("BookProgress");
    BookProgress->setFixedSize(100, 14);
    BookProgress->setTextVisible(false);
    BookProgress->setToolTip("Reading the book's pages");
    BookProgress->hide();
    BookStop = new QToolButton(this);
    BookStop->setObjectName("BookStop");
    BookStop->setText("Stop");
    BookStop->setToolTip("Stop reading the book's pages");
    BookStop->setAutoRaise(true);
    BookStop->setFocusPolicy(Qt::NoFocus);
    BookStop->setFixedHeight(17);
    BookStop->hide();
    statusBar()->addPermanentWidget(BookProgress);
    statusBar()->addPermanentWidget(BookStop);
    connect(BookStop, &QToolButton::clicked, BookIndexer1, &TBookIndexer::stop);
    connect(BookIndexer1, &TBookIndexer::progress, this, [this](int done, int total) {
        if (total < kProgressFrom || !BookIndexer1->busy())
            return;
        BookProgress->setRange(0, total);
        BookProgress->setValue(done);
        BookProgress->show();
        BookStop->show();
    });
    connect(BookIndexer1, &TBookIndexer::busyChanged, this, [this](bool busy) {
        if (!busy) {
            BookProgress->hide();
            BookStop->hide();
        }
    });
    connect(BookIndexer1, &TBookIndexer::resultReady, this, &TForm1::bookIndexed);

    Navigation1->pageLinkAt = [this](int offset, QString& note) {
        return pageLinkAt(offset, note);
    };
    Navigation1->openPageAt = [this](const QString& path, int offset) {
        return openPageAt(path, offset);
    };
    auto loaded = document_->pageLoaded;
    document_->pageLoaded = [this, loaded](const QString& path) {
        Navigation1->pageOpened();
        if (loaded)
            loaded(path);
    };
}

void TForm1::readBookSettings() {
    PagesPanel1->setVisible(
        RegCtrl1->ReadBool(settingsKeys::kSection, settingsKeys::kPages, false));
}

void TForm1::writeBookSettings() {
    RegCtrl1->WriteBool(settingsKeys::kSection, settingsKeys::kPages, !PagesPanel1->isHidden());
}

void TForm1::bookIndexed() {
    const auto r = BookIndexer1->latest();
    if (!r) {
        PagesPanel1->showPages({}, BookIndexer1->folder().isEmpty()
                                       ? QString("An untitled page has no book: save it in a "
                                                 "folder to see the pages beside it.")
                                       : QString());
    } else {
        const book::TBook& b = r->index.book();
        const int open = b.indexOfFile(QFileInfo(Clm1->Page().path()).fileName().toStdString());
        std::vector<TPagesPanel::TRow> rows;
        rows.reserve(static_cast<std::size_t>(b.count()));
        for (int i = 0; i < b.count(); ++i)
            rows.push_back({pageName(b, i),
                            r->complete ? r->counts[static_cast<std::size_t>(i)] : -1, i == open});
        QString note;
        if (!r->error.empty())
            note = QString("The folder cannot be read: %1").arg(QString::fromStdString(r->error));
        else if (!r->complete)
            note = "Stopped before every page was read";
        PagesPanel1->showPages(rows, note);
    }
    if (checkBookWanted_ && (!r || BookIndexer1->current() || !r->complete)) {
        checkBookWanted_ = false;
        if (r)
            showBookCheck();
        else
            showNote("The page has no book to check", 8000);
    }
}

void TForm1::CheckBook1Click() {
    if (Clm1->Page().path().isEmpty()) {
        showNote("An untitled page has no book: save it in a folder first", 8000);
        return;
    }
    checkBookWanted_ = true;
    if (BookIndexer1->current()) {
        bookIndexed();
        return;
    }
    showNote("Checking the book\u2026", 0);
    BookIndexer1->run();
}

void TForm1::showBookCheck() {
    const auto r = BookIndexer1->latest();
    const book::TBook& b = r->index.book();
    std::vector<TCheckPanel::TBookRow> rows;
    rows.reserve(r->findings.size());
    for (const book::TBookFinding& f : r->findings)
        rows.push_back({f.page, pageName(b, f.page), f.finding});
    std::vector<int> pages;
    for (int i = 0; i < b.count(); ++i)
        if (r->counts[static_cast<std::size_t>(i)] > 0)
            pages.push_back(i);
    QString title =
        rows.empty()
            ? QString("the book, no findings in %1 pages").arg(b.count())
            : QString("the book, %1 in %2")
                  .arg(QString::fromStdString(
                      book::counted(static_cast<long long>(rows.size()), "finding", "findings")))
                  .arg(QString::fromStdString(
                      book::counted(static_cast<long long>(pages.size()), "page", "pages")));
    if (!r->complete)
        title += " (stopped)";
    CheckPanel1->showBookFindings(rows, title);
    showNote(QString());
}

bool TForm1::openPageAt(const QString& path, int offset) {
    if (QFileInfo(Clm1->Page().path()) != QFileInfo(path)) {
        document_->openFile(path);
        if (QFileInfo(Clm1->Page().path()) != QFileInfo(path))
            return false;
    }
    document_->finishLoading();
    if (offset >= 0) {
        TPageDocument& page = Clm1->Page();
        QTextCursor c(page.textDocument());
        c.setPosition(page.positionFromOffset(std::min(offset, page.length())));
        Clm1->SetTextCursorInView(c);
    }
    Clm1->setFocus();
    return true;
}

QString TForm1::pageLinkAt(int offset, QString& note) {
    const book::TPageEntry entry = book::indexPageBytes(Clm1->Page().pageBytes());
    const book::TPageLink* link = book::linkAt(entry, offset);
    if (!link)
        return {};
    const QString path = Clm1->Page().path();
    if (path.isEmpty()) {
        note = "An untitled page has no book: save it in a folder to follow its links to pages";
        return {};
    }
    const QFileInfo open(path);
    std::string error;
    const book::TBook b = book::TBook::list(open.absolutePath().toStdString(), &error);
    if (!error.empty()) {
        note = QString("The folder cannot be read: %1").arg(QString::fromStdString(error));
        return {};
    }
    const int here = b.indexOfFile(open.fileName().toStdString());
    int to = -1;
    switch (link->kind) {
    case book::TLinkKind::Page:
        to = b.pageNamed(link->target);
        if (to < 0)
            note = QString::fromStdString(book::message(
                book::TMessage::NoSuchPage, {pagetext::fromBytes(link->target).toStdString()}));
        break;
    case book::TLinkKind::Next:
        to = here >= 0 ? b.next(here) : -1;
        if (to < 0)
            note = QString::fromStdString(book::message(book::TMessage::NextOnLastPage));
        break;
    case book::TLinkKind::Previous:
        to = here >= 0 ? b.previous(here) : -1;
        if (to < 0)
            note = QString::fromStdString(book::message(book::TMessage::PreviousOnFirstPage));
        break;
    }
    return to >= 0 ? QString::fromStdString(b.pathOf(to)) : QString();
}
