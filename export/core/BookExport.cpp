#include "export/core/BookExport.h"

#include "document/core/Cp1252.h"
#include "export/core/HtmlText.h"
#include "export/core/PageHtml.h"
#include "platform/core/SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace fs = std::filesystem;

namespace bookexport {

namespace {

constexpr std::uint64_t kMaxCopy = std::uint64_t(1) << 31; ///< the largest file argument copied

bool endsWithTxt(std::string_view name) {
    return name.size() > 4 && sameNameFolded(name.substr(name.size() - 4), ".txt");
}

// A name the manifest may list: one of the folder's own files.
bool isPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\0") == std::string_view::npos;
}

// Writes all bytes to fd. Returns the error number or 0.
int writeAll(int fd, std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
        if (n < 0 && errno != EINTR)
            return errno;
        if (n > 0)
            at += static_cast<std::size_t>(n);
    }
    return 0;
}

// A file of the folder that is ours to write where it stands: a regular file of one name only
// (not a symbolic link, not linked from elsewhere), opened without following a link. Its bytes
// already equal to `bytes`, it is left untouched (a re-export keeps the times of what did not
// change). Returns -1 when it must be replaced instead, else the error number or 0.
int rewriteInPlace(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat st {};
    int error = -1;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1) {
        error = 0;
        if (static_cast<std::uint64_t>(st.st_size) == bytes.size()) {
            std::string old(bytes.size(), '\0');
            if (::pread(fd, old.data(), old.size(), 0) == static_cast<ssize_t>(old.size()) &&
                old == bytes) {
                ::close(fd);
                return 0;
            }
        }
        if (ftruncate(fd, 0) != 0)
            error = errno;
        else
            error = writeAll(fd, bytes);
    }
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

// Writes a file of the folder: in place when it is a plain file of ours, else under a temporary
// name renamed over `name`, so that whatever stood there (a symbolic link, a file with other
// names) is replaced, never written through. Returns the error number or 0.
int writeNew(const std::string& folder, const std::string& name, std::string_view bytes) {
    if (const int error = rewriteInPlace(folder + "/" + name, bytes); error >= 0)
        return error;
    std::string temp = folder + "/.lp-export-XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    int error = writeAll(fd, bytes);
    if (error == 0 && fchmod(fd, 0644) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && std::rename(temp.c_str(), (folder + "/" + name).c_str()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temp.c_str());
    return error;
}

// Reads a regular file whole (never waiting on a pipe or a device). Returns the error message.
std::string readWhole(const std::string& path, std::string& bytes) {
    const safefile::TOpenResult open = safefile::openForReading(path);
    if (open.fd < 0)
        return open.error ? safefile::reasonOf(open.error)
                          : std::string("it is ") + safefile::kindName(open.kind);
    std::string error;
    struct stat st {};
    if (fstat(open.fd, &st) == 0 && static_cast<std::uint64_t>(st.st_size) > kMaxCopy)
        error = "it is too large to copy";
    char buffer[1 << 16];
    while (error.empty()) {
        const ssize_t n = ::read(open.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error = safefile::reasonOf(errno);
        if (n <= 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > kMaxCopy)
            error = "it is too large to copy";
    }
    ::close(open.fd);
    return error;
}

class TBookWriter : public TPageContext {
public:
    TBookWriter(const std::vector<TExportPage>& pages, const TExportOptions& options)
        : pages_(pages), o_(options), names_(pages),
          resolver_(options.resolver ? *options.resolver : names_) {}

    TExportResult run() {
        if (!prepare())
            return std::move(r_);
        const int total = static_cast<int>(pages_.size()) + 1;
        std::string html;
        for (std::size_t k = 0; k < pages_.size(); ++k) {
            if (cancelled())
                return finish(TExportResult::TEnd::cancelled);
            page_ = static_cast<int>(k);
            html.clear();
            head(html, pages_[k].displayName);
            nav(html, k);
            html += "<main>\n";
            if (!appendPageBody(pages_[k].bytes, *this, html, o_.cancel))
                return finish(TExportResult::TEnd::cancelled);
            html += "</main>\n</body>\n</html>\n";
            if (!write(r_.pageFiles[k], html))
                return finish(TExportResult::TEnd::failed);
            if (o_.progress)
                o_.progress(static_cast<int>(k) + 1, total);
        }
        if (cancelled())
            return finish(TExportResult::TEnd::cancelled);
        if (!write(index_, indexPage()))
            return finish(TExportResult::TEnd::failed);
        if (o_.progress)
            o_.progress(total, total);
        return finish(TExportResult::TEnd::done);
    }

    std::string pageFile(std::string_view name) override {
        const int k = resolver_.pageNamed(name);
        return k >= 0 && k < static_cast<int>(pages_.size())
                   ? r_.pageFiles[static_cast<std::size_t>(k)]
                   : std::string();
    }

    std::string neighbourFile(int step) override {
        const int k = page_ + step;
        return k >= 0 && k < static_cast<int>(pages_.size())
                   ? r_.pageFiles[static_cast<std::size_t>(k)]
                   : std::string();
    }

    std::string fileCopy(std::string_view argument, TFileUse use, std::string& why) override {
        std::string path = cp1252::toUtf8(argument);
        std::replace(path.begin(), path.end(), '\\', '/');
        const std::string shown = shownArgument(argument);
        if (path.empty()) {
            why = "a file argument is empty";
            return {};
        }
        if (path[0] != '/')
            path = (fs::path(o_.bookFolder) / path).string();
        std::error_code ec;
        const fs::path real = fs::canonical(path, ec);
        if (ec) {
            why = "the file " + shown + " cannot be found (" + ec.message() + ")";
            return {};
        }
        if (const auto done = copies_.find(real.string()); done != copies_.end())
            return done->second;
        std::string bytes;
        if (const std::string error = readWhole(real.string(), bytes); !error.empty()) {
            why = "the file " + shown + " cannot be copied: " + error;
            return {};
        }
        // A text file of the page code page goes out in UTF-8 like the pages.
        if (use == TFileUse::Text && endsWithTxt(real.filename().string()) && !isUtf8(bytes))
            bytes = cp1252::toUtf8(bytes);
        // Named as the page names it: a link's own name, not that of the file it leads to.
        const std::string name = claim(safeFileName(fs::path(path).filename().string()));
        if (!write(name, bytes)) {
            why = std::move(r_.error);
            r_.error.clear();
            return {};
        }
        copies_.emplace(real.string(), name);
        return name;
    }

    void note(int line, std::string message) override {
        r_.notes.push_back(
            {pages_[static_cast<std::size_t>(page_)].fileName, line, std::move(message)});
    }

private:
    bool cancelled() const { return o_.cancel && o_.cancel->load(); }

    // The folder made, the previous export's list read, and every page's name given.
    bool prepare() {
        std::error_code ec;
        fs::create_directories(o_.folder, ec);
        if (ec || !fs::is_directory(o_.folder, ec)) {
            r_.end = TExportResult::TEnd::failed;
            r_.error = "The folder " + o_.folder + " cannot be made: " +
                       (ec ? ec.message() : std::string("a file has its name"));
            return false;
        }
        std::ifstream list(o_.folder + "/" + std::string(kManifestName), std::ios::binary);
        for (std::string name; std::getline(list, name);)
            if (isPlainName(name) && name != kManifestName)
                previous_.insert(name);
        // The author's own files keep their names: the site takes others.
        for (const fs::directory_entry& e : fs::directory_iterator(o_.folder, ec)) {
            const std::string name = e.path().filename().string();
            if (!previous_.contains(name))
                taken_.insert(foldName(name));
        }
        taken_.insert(foldName(kManifestName));
        index_ = claim(std::string(kIndexName));
        for (const TExportPage& p : pages_) {
            std::string stem = p.fileName.substr(p.fileName.find_last_of('/') + 1);
            if (endsWithTxt(stem))
                stem.resize(stem.size() - 4);
            r_.pageFiles.push_back(claim(safeFileName(stem + ".html")));
        }
        return true;
    }

    // The name, or the name with "-2", "-3" ... before its extension, that no other file has.
    std::string claim(const std::string& name) {
        const std::size_t dot = name.rfind('.');
        const std::size_t cut = dot == std::string::npos || dot == 0 ? name.size() : dot;
        std::string tried = name;
        for (int n = 2; taken_.contains(foldName(tried)); ++n)
            tried = name.substr(0, cut) + "-" + std::to_string(n) + name.substr(cut);
        taken_.insert(foldName(tried));
        return tried;
    }

    bool write(const std::string& name, std::string_view bytes) {
        if (const int error = writeNew(o_.folder, name, bytes)) {
            r_.error = "The file " + o_.folder + "/" + name +
                       " cannot be written: " + safefile::reasonOf(error);
            return false;
        }
        r_.written.push_back(name);
        return true;
    }

    static void head(std::string& html, std::string_view title) {
        html += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                "<title>";
        appendHtmlUtf8(html, title.empty() ? std::string_view("Page") : title);
        html += "</title>\n<style>\n";
        html += pageStyleSheet();
        html += "</style>\n</head>\n<body>\n";
    }

    void nav(std::string& html, std::size_t k) const {
        html += "<nav><a href=\"" + hrefOfName(index_) + "\">Contents</a>";
        if (k > 0)
            html += " <a href=\"" + hrefOfName(r_.pageFiles[k - 1]) + "\">Previous</a>";
        if (k + 1 < pages_.size())
            html += " <a href=\"" + hrefOfName(r_.pageFiles[k + 1]) + "\">Next</a>";
        html += "</nav>\n";
    }

    std::string indexPage() const {
        std::string html;
        head(html, "Contents");
        html += "<main>\n<h1>Contents</h1>\n<ol>\n";
        for (std::size_t k = 0; k < pages_.size(); ++k) {
            html += "<li><a href=\"" + hrefOfName(r_.pageFiles[k]) + "\">";
            appendHtmlUtf8(html, pages_[k].displayName.empty() ? pages_[k].fileName
                                                               : pages_[k].displayName);
            html += "</a></li>\n";
        }
        html += "</ol>\n</main>\n</body>\n</html>\n";
        return html;
    }

    // The previous export's files that this one did not write go, when it ran to its end; the
    // list then names what the folder holds of the site.
    TExportResult finish(TExportResult::TEnd end) {
        r_.end = end;
        std::set<std::string> listed(r_.written.begin(), r_.written.end());
        for (const std::string& name : previous_) {
            if (listed.contains(name))
                continue;
            const std::string path = o_.folder + "/" + name;
            struct stat st {};
            if (end == TExportResult::TEnd::done && lstat(path.c_str(), &st) == 0 &&
                !S_ISDIR(st.st_mode) && ::unlink(path.c_str()) == 0)
                r_.removed.push_back(name);
            else if (end != TExportResult::TEnd::done)
                listed.insert(name);
        }
        std::string list;
        for (const std::string& name : listed)
            list.append(name).append("\n");
        if (const int error = writeNew(o_.folder, std::string(kManifestName), list);
            error != 0 && r_.end != TExportResult::TEnd::failed) {
            r_.end = TExportResult::TEnd::failed;
            r_.error = "The list of the exported files (" + o_.folder + "/" +
                       std::string(kManifestName) +
                       ") cannot be written: " + safefile::reasonOf(error);
        }
        return std::move(r_);
    }

    const std::vector<TExportPage>& pages_;
    const TExportOptions& o_;
    TFileNameResolver names_;
    const TPageResolver& resolver_;
    TExportResult r_;
    std::set<std::string> previous_;            ///< the previous export's list
    std::unordered_set<std::string> taken_;     ///< folded names no new file may take
    std::map<std::string, std::string> copies_; ///< a copied file's real path: its copy's name
    std::string index_;
    int page_ = 0;
};

} // namespace

TFileNameResolver::TFileNameResolver(const std::vector<TExportPage>& pages) {
    for (const TExportPage& p : pages)
        folded_.push_back(foldName(p.fileName));
}

int TFileNameResolver::pageNamed(std::string_view name) const {
    const std::string folded = foldName(cp1252::toUtf8(name));
    for (std::size_t k = 0; k < folded_.size(); ++k)
        if (folded_[k] == folded || folded_[k] == folded + ".txt")
            return static_cast<int>(k);
    return -1;
}

TExportResult exportBook(const std::vector<TExportPage>& pages, const TExportOptions& options) {
    return TBookWriter(pages, options).run();
}

} // namespace bookexport
