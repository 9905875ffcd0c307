#include "app/BookExportCommand.h"

#include "book/core/Book.h"
#include "export/core/BookExport.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/PrintService.h"
#include "platform/Prompts.h"
#include "platform/core/SafeFile.h"
#include "settings/LpIniCtrl.h"
#include "settings/SettingsKeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <unistd.h>

namespace fs = std::filesystem;

QString untitledBookNote() {
    return QStringLiteral("Save the page first: an untitled page has no book");
}

namespace {

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The path with symbolic links, "." and ".." resolved as far as it exists.
fs::path resolved(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
    if (ec)
        p = fs::absolute(path, ec).lexically_normal();
    if (!p.empty() && !p.has_filename())
        p = p.parent_path(); // "/a/b/" as "/a/b"
    return p;
}

bool isInside(const fs::path& inner, const fs::path& outer) {
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i)
        if (i == inner.end() || *i != *o)
            return false;
    return true;
}

// Reads a page file whole; the system's reason when it cannot.
std::string readPage(const std::string& path, std::string& bytes) {
    const safefile::TOpenResult open = safefile::openForReading(path);
    if (open.fd < 0)
        return open.error ? safefile::reasonOf(open.error)
                          : std::string("it is ") + safefile::kindName(open.kind);
    std::string error;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(open.fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = safefile::reasonOf(errno);
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(open.fd);
    return error;
}

std::string withoutPageExtension(const std::string& fileName) {
    return fileName.size() > 4 ? fileName.substr(0, fileName.size() - 4) : fileName;
}

// Which page a GotoPage names, by the book's own rule (a name in page bytes against the file names
// in UTF-8).
class TBookResolver : public bookexport::TPageResolver {
public:
    explicit TBookResolver(const book::TBook& book) : book_(book) {}
    int pageNamed(std::string_view name) const override { return book_.pageNamed(name); }

private:
    const book::TBook& book_;
};

struct TJobState {
    std::atomic<bool> cancel{false};
    std::atomic<int> done{0};
    std::atomic<int> total{1};
};

// Off the window's thread: lists the book, reads its pages (the open one from the document) and
// writes the site. Progress counts the pages read, then the files written.
bookexport::TExportResult runExport(const std::string& bookFolder, const std::string& openPage,
                                    const std::string& openBytes, const std::string& folder,
                                    TJobState& job) {
    bookexport::TExportResult result;
    std::string error;
    book::TBook listed = book::TBook::list(bookFolder, &error);
    if (!error.empty()) {
        result.end = bookexport::TExportResult::TEnd::failed;
        result.error = "The folder " + bookFolder + " cannot be read: " + error;
        return result;
    }
    // The open page belongs to the book even when its file is gone from the folder.
    if (listed.indexOfFile(openPage) < 0 && book::isPageFileName(openPage)) {
        std::vector<book::TPage> pages = listed.pages();
        book::TPage page;
        page.fileName = openPage;
        pages.push_back(page);
        listed = book::TBook(bookFolder, std::move(pages));
    }
    const int count = listed.count();
    job.total = 2 * count + 1;
    std::vector<bookexport::TExportPage> pages;
    std::vector<bookexport::TExportNote> unread;
    for (int i = 0; i < count; ++i) {
        if (job.cancel) {
            result.end = bookexport::TExportResult::TEnd::cancelled;
            return result;
        }
        bookexport::TExportPage page;
        page.fileName = listed.page(i).fileName;
        page.displayName = withoutPageExtension(page.fileName);
        if (page.fileName == openPage)
            page.bytes = openBytes;
        else if (const std::string why = readPage(listed.pathOf(i), page.bytes); !why.empty())
            unread.push_back({page.fileName, 0, "the page cannot be read: " + why});
        pages.push_back(std::move(page));
        job.done = i + 1;
    }
    const TBookResolver resolver(listed);
    bookexport::TExportOptions options;
    options.bookFolder = bookFolder;
    options.folder = folder;
    options.resolver = &resolver;
    options.cancel = &job.cancel;
    options.progress = [&](int done, int) { job.done = count + done; };
    result = bookexport::exportBook(pages, options);
    result.notes.insert(result.notes.begin(), unread.begin(), unread.end());
    return result;
}

// Runs the export on its own thread; meanwhile the progress indicator shows (and keeps the window
// painting) and its Cancel asks the export to stop.
bookexport::TExportResult exportWithProgress(TPrintService& printing, const std::string& bookFolder,
                                             const std::string& openPage,
                                             const std::string& openBytes,
                                             const std::string& folder) {
    TJobState job;
    std::unique_ptr<TPrintProgress> progress =
        printing.startProgress(QStringLiteral("Exporting the book..."));
    const auto advance = [&] {
        if (progress && !progress->advance(std::size_t(job.done), std::size_t(job.total)))
            job.cancel = true;
    };
    advance();
    std::future<bookexport::TExportResult> result = std::async(std::launch::async, [&] {
        try {
            return runExport(bookFolder, openPage, openBytes, folder, job);
        } catch (const std::exception& e) {
            bookexport::TExportResult failed;
            failed.end = bookexport::TExportResult::TEnd::failed;
            failed.error = std::string("The export into ") + folder + " stopped: " + e.what();
            return failed;
        }
    });
    while (result.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        advance();
    return result.get();
}

} // namespace

QString refusedExportFolder(const QString& bookFolder, const QString& folder) {
    const fs::path book = resolved(localPath(bookFolder));
    const fs::path out = resolved(localPath(folder));
    if (out == book)
        return QStringLiteral("The book cannot be exported into its own folder %1: choose another "
                              "folder")
            .arg(QDir::toNativeSeparators(folder));
    if (isInside(out, book))
        return QStringLiteral("The book cannot be exported into %1, which is inside the book's "
                              "folder %2: choose a folder outside it")
            .arg(QDir::toNativeSeparators(folder), QDir::toNativeSeparators(bookFolder));
    return {};
}

QString exportNotesText(const std::vector<bookexport::TExportNote>& notes) {
    QString text = notes.size() == 1 ? QStringLiteral("The export has 1 note:")
                                     : QStringLiteral("The export has %1 notes:").arg(notes.size());
    const std::size_t listed = std::min<std::size_t>(notes.size(), kMaxListedNotes);
    for (std::size_t i = 0; i < listed; ++i) {
        const bookexport::TExportNote& n = notes[i];
        text += QStringLiteral("\n%1, line %2: %3")
                    .arg(QString::fromStdString(n.page))
                    .arg(n.line + 1)
                    .arg(QString::fromStdString(n.message));
    }
    if (notes.size() > listed)
        text += QStringLiteral("\n... and %1 more").arg(notes.size() - listed);
    return text;
}

bool exportBookAsHtml(TBookExportContext c) {
    if (c.pagePath.isEmpty()) {
        c.prompts.warning(untitledBookNote());
        return false;
    }
    const QFileInfo page(c.pagePath);
    const QString bookFolder = page.absolutePath();

    TFileDialog dialog;
    dialog.title = QStringLiteral("Export Book as HTML");
    dialog.initialDir =
        c.settings.ReadString(settingsKeys::kSection, settingsKeys::kExportFolder, QString());
    if (dialog.initialDir.isEmpty())
        dialog.initialDir = QDir::toNativeSeparators(QFileInfo(bookFolder).absolutePath());
    if (!c.dialogs.executeFolder(dialog))
        return false;
    const QString folder = QDir::toNativeSeparators(dialog.fileName);
    if (const QString refused = refusedExportFolder(bookFolder, folder); !refused.isEmpty()) {
        c.prompts.warning(refused);
        return false;
    }
    c.settings.WriteString(settingsKeys::kSection, settingsKeys::kExportFolder, folder);

    const bookexport::TExportResult result =
        exportWithProgress(c.printing, localPath(bookFolder), localPath(page.fileName()),
                           c.pageBytes, localPath(folder));
    switch (result.end) {
    case bookexport::TExportResult::TEnd::cancelled:
        return false;
    case bookexport::TExportResult::TEnd::failed:
        throw TLpError(QString::fromStdString(result.error));
    case bookexport::TExportResult::TEnd::done:
        break;
    }
    if (c.exported)
        c.exported(folder);
    if (!result.notes.empty())
        c.prompts.warning(exportNotesText(result.notes));
    return true;
}
