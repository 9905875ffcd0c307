#include "book/core/BookCheck.h"

#include "document/core/Cp1252.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <unordered_map>

namespace book {

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// "C:\..." or "\\server\...": a name only the reader's own system can look up.
bool onDrive(std::string_view value) {
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    return (value.size() >= 2 && letter(value[0]) && value[1] == ':') ||
           value.substr(0, 2) == "\\\\";
}

markup::TLevel levelOf(TMessage m) {
    switch (m) {
    case TMessage::PageUnreadable:
    case TMessage::NoSuchPage:
    case TMessage::NextOnLastPage:
    case TMessage::PreviousOnFirstPage:
        return markup::TLevel::Problem;
    case TMessage::FileOnDrive:
    case TMessage::VariableNeverRead:
    case TMessage::PageNotReached:
        return markup::TLevel::Note;
    default:
        return markup::TLevel::Warning;
    }
}

class TChecker {
public:
    TChecker(const TBookIndex& index, const TCheckOptions& options)
        : x_(index), book_(index.book()), o_(options) {}

    std::vector<TBookFinding> run(const std::atomic<bool>* cancel) {
        gatherVariables();
        std::vector<bool> reached(static_cast<std::size_t>(book_.count()), false);
        for (int i = 0; i < book_.count(); ++i) {
            if (cancel && *cancel)
                break;
            const TPageEntry& e = x_.entry(i);
            if (!e.indexed)
                continue;
            if (!e.note.empty())
                add(i, e.readable ? TMessage::PageNotText : TMessage::PageUnreadable, {}, e.note);
            for (const TPageLink& l : e.links) {
                const int to = x_.linkTarget(i, l);
                if (to >= 0 && to != i)
                    reached[static_cast<std::size_t>(to)] = true;
                if (to >= 0)
                    continue;
                if (l.kind == TLinkKind::Page)
                    add(i, TMessage::NoSuchPage, l.argument,
                        message(TMessage::NoSuchPage, {cp1252::toUtf8(l.target)}));
                else
                    add(i,
                        l.kind == TLinkKind::Next ? TMessage::NextOnLastPage
                                                  : TMessage::PreviousOnFirstPage,
                        l.link);
            }
            for (const TFileArgument& f : e.files)
                checkFile(i, f);
            for (const TVariableUse& v : e.reads)
                if (!set_.count(folded(v.name)))
                    add(i, TMessage::VariableNeverSet, v.place,
                        message(TMessage::VariableNeverSet, {cp1252::toUtf8(v.name)}));
            for (const TVariableUse& v : e.sets)
                if (!read_.count(folded(v.name)))
                    add(i, TMessage::VariableNeverRead, v.place,
                        message(TMessage::VariableNeverRead, {cp1252::toUtf8(v.name)}));
        }
        if (!(cancel && *cancel))
            for (int i = 1; i < book_.count(); ++i)
                if (!reached[static_cast<std::size_t>(i)])
                    add(i, TMessage::PageNotReached, {});
        std::stable_sort(
            out_.begin(), out_.end(), [](const TBookFinding& a, const TBookFinding& b) {
                return a.page != b.page ? a.page < b.page : a.finding.offset < b.finding.offset;
            });
        return std::move(out_);
    }

private:
    void gatherVariables() {
        for (int i = 0; i < book_.count(); ++i) {
            for (const TVariableUse& v : x_.entry(i).reads)
                read_.emplace(folded(v.name), true);
            for (const TVariableUse& v : x_.entry(i).sets)
                set_.emplace(folded(v.name), true);
        }
    }

    void checkFile(int page, const TFileArgument& f) {
        const std::string value = cp1252::toUtf8(f.value);
        if (onDrive(f.value)) {
            add(page, TMessage::FileOnDrive, f.place,
                message(TMessage::FileOnDrive, {f.word, value}));
            return;
        }
        const std::string path = pathInBook(book_.folder(), f.value);
        const std::string found = o_.findFile ? o_.findFile(path) : finder_.find(path);
        if (found.empty())
            add(page, TMessage::FileMissing, f.place,
                message(TMessage::FileMissing, {f.word, value}));
        else if (f.picture && o_.pictureReadable && !o_.pictureReadable(found))
            add(page, TMessage::PictureUnreadable, f.place,
                message(TMessage::PictureUnreadable, {value}));
    }

    void add(int page, TMessage kind, const TPlace& place, std::string text = {}) {
        TBookFinding f;
        f.page = page;
        f.kind = kind;
        f.finding.offset = place.offset;
        f.finding.length = std::max(place.length, 1);
        f.finding.line = place.line;
        f.finding.column = place.column;
        f.finding.level = levelOf(kind);
        f.finding.message = text.empty() ? message(kind) : std::move(text);
        out_.push_back(std::move(f));
    }

    const TBookIndex& x_;
    const TBook& book_;
    const TCheckOptions& o_;
    TFileFinder finder_;
    std::unordered_map<std::string, bool> read_, set_;
    std::vector<TBookFinding> out_;
};

} // namespace

const std::vector<std::string>& TFileFinder::listing(const std::string& folder) {
    const auto f = listings_.find(folder);
    if (f != listings_.end())
        return f->second;
    std::vector<std::string>& names = listings_[folder];
    if (DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str())) {
        while (const dirent* e = ::readdir(dir))
            names.emplace_back(e->d_name);
        ::closedir(dir);
    }
    return names;
}

std::string TFileFinder::find(const std::string& path) {
    if (exists(path))
        return path;
    // Folder by folder from the root: each name as written, else one that differs only in case.
    std::string at = !path.empty() && path.front() == '/' ? "" : ".";
    std::size_t from = 0;
    while (from < path.size()) {
        std::size_t end = path.find('/', from);
        if (end == std::string::npos)
            end = path.size();
        const std::string name = path.substr(from, end - from);
        from = end + 1;
        if (name.empty() || name == ".")
            continue;
        std::string next = at + '/' + name;
        if (name != ".." && !exists(next)) {
            const std::string key = folded(pageBytesOfName(name));
            const std::vector<std::string>& names = listing(at);
            const auto m = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
                return folded(pageBytesOfName(n)) == key;
            });
            if (m == names.end())
                return {};
            next = at + '/' + *m;
        }
        at = std::move(next);
    }
    return exists(at) ? at : std::string();
}

std::vector<TBookFinding> checkBook(const TBookIndex& index, const TCheckOptions& options,
                                    const std::atomic<bool>* cancel) {
    return TChecker(index, options).run(cancel);
}

std::vector<int> findingCounts(const std::vector<TBookFinding>& findings, int pageCount) {
    std::vector<int> counts(static_cast<std::size_t>(pageCount), 0);
    for (const TBookFinding& f : findings)
        if (f.page >= 0 && f.page < pageCount)
            ++counts[static_cast<std::size_t>(f.page)];
    return counts;
}

} // namespace book
