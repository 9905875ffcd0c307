#include "book/core/BookIndex.h"

#include "book/core/BookMessages.h"
#include "document/core/PageFile.h"
#include "markup/core/ActionArguments.h"
#include "markup/core/Actions.h"
#include "markup/core/PageIndex.h"
#include "platform/core/SafeFile.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace book {

namespace {

// The action words that lead to another page.
constexpr std::string_view kGotoPage = "GotoPage";
constexpr std::string_view kGotoNext = "GotoNextPage";
constexpr std::string_view kGotoPrevious = "GotoPrevPage";
constexpr std::string_view kSetVar = "SetVar";

int actionIndex(std::string_view word) {
    for (int k = 0; k < actions::kActionCount; ++k)
        if (actions::actionAt(k).word == word)
            return k;
    return -1;
}

// Line starts of a page, for lines and columns of its offsets.
class TLines {
public:
    explicit TLines(std::string_view page) {
        starts_.push_back(0);
        for (std::size_t i = page.find('\n'); i != std::string_view::npos;
             i = page.find('\n', i + 1))
            starts_.push_back(static_cast<int>(i) + 1);
    }
    TPlace place(int offset, int length) const {
        const auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
        const int line = static_cast<int>(it - starts_.begin());
        return {offset, length, line, offset - starts_[static_cast<std::size_t>(line) - 1] + 1};
    }

private:
    std::vector<int> starts_;
};

// The variable's name in a SetVar's first argument: "[Name]", or a bare name as written.
std::string_view setName(std::string_view value) {
    if (value.size() >= 2 && value.front() == '[' && value.back() == ']')
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

TReadResult readPageFile(const std::string& path) {
    TReadResult r;
    const safefile::TOpenResult o = safefile::openForReading(path);
    if (o.fd < 0) {
        r.error = o.error ? safefile::reasonOf(o.error)
                          : message(TMessage::NotAFile, {safefile::kindName(o.kind)});
        return r;
    }
    struct stat st {};
    if (::fstat(o.fd, &st) != 0) {
        r.error = safefile::reasonOf(errno);
        ::close(o.fd);
        return r;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > pagefile::kCapacity) {
        r.error = message(TMessage::PageTooLarge, {std::to_string(size >> 20)});
        ::close(o.fd);
        return r;
    }
    r.bytes.resize(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < r.bytes.size()) {
        const ssize_t n = ::read(o.fd, r.bytes.data() + done, r.bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            r.error = safefile::reasonOf(errno);
            ::close(o.fd);
            r.bytes.clear();
            return r;
        }
        if (n == 0)
            break; // the file shrank while read
        done += static_cast<std::size_t>(n);
    }
    r.bytes.resize(done);
    ::close(o.fd);
    r.ok = true;
    return r;
}

TPageReader withOpenPage(TPageReader disk, std::string openPath,
                         std::function<std::string()> openText) {
    return [disk = std::move(disk), openPath = std::move(openPath),
            openText = std::move(openText)](const std::string& path) {
        if (path == openPath)
            return TReadResult{true, openText(), {}};
        return disk(path);
    };
}

TPageEntry indexPageBytes(std::string_view bytes, const std::atomic<bool>* cancel) {
    TPageEntry e;
    e.indexed = true;
    e.readable = true;
    const pagefile::TTextExtent extent = pagefile::textExtent(bytes.data(), bytes.size());
    if (extent.cutAtZero)
        e.note = message(TMessage::PageNotText, {std::to_string(extent.length)});
    const std::string_view page = bytes.substr(0, extent.length);
    const markup::TPageIndex index = markup::indexPage(page, cancel);
    const TLines lines(page);
    for (const markup::TTargetMark& m : index.targets)
        e.targets.push_back(m.name);

    static const int gotoPage = actionIndex(kGotoPage);
    static const int setVar = actionIndex(kSetVar);
    std::unordered_set<int> setOffsets;
    std::vector<markup::TArgument> args;
    for (const markup::TLinkRef& l : index.links) {
        if (l.toTarget)
            continue;
        const int k = actionIndex(l.word);
        if (k < 0)
            continue;
        const TPlace whole = lines.place(l.offset, l.end - l.offset);
        const int textAt = l.actionOffset + 1; // after "="
        const std::string_view text = page.substr(static_cast<std::size_t>(textAt),
                                                  static_cast<std::size_t>(l.actionEnd - textAt));
        if (l.word == kGotoNext || l.word == kGotoPrevious) {
            e.links.push_back({l.word == kGotoNext ? TLinkKind::Next : TLinkKind::Previous,
                               whole,
                               lines.place(l.actionOffset, l.actionEnd - l.actionOffset),
                               {},
                               l.visible});
            continue;
        }
        markup::splitArguments(text, markup::actionWordEnd(text), args, nullptr);
        const auto& defaults = markup::defaultArguments()[static_cast<std::size_t>(k)];
        // A value still the placeholder as inserted is the page checker's finding, not a name.
        const auto placeholder = [&](std::size_t a) {
            return a < defaults.size() && args[a].value == defaults[a] &&
                   markup::isPlaceholder(args[a].value);
        };
        const auto argPlace = [&](std::size_t a) {
            return lines.place(textAt + static_cast<int>(args[a].at),
                               static_cast<int>(args[a].value.size()));
        };
        if (k == gotoPage) {
            if (!args.empty() && args[0].sound && !placeholder(0))
                e.links.push_back(
                    {TLinkKind::Page, whole, argPlace(0), std::string(args[0].value), l.visible});
        } else if (k == setVar) {
            if (!args.empty() && args[0].sound && !placeholder(0) && !args[0].value.empty()) {
                const std::string_view name = setName(args[0].value);
                const int at = textAt + static_cast<int>(args[0].at);
                setOffsets.insert(at);
                e.sets.push_back(
                    {lines.place(at, static_cast<int>(args[0].value.size())), std::string(name)});
            }
        } else if (const actions::TAction& act = actions::actionAt(k); act.pathArgument > 0) {
            const auto a = static_cast<std::size_t>(act.pathArgument - 1);
            if (a < args.size() && args[a].sound && !args[a].value.empty() && !placeholder(a))
                e.files.push_back({argPlace(a), std::string(l.word), std::string(args[a].value),
                                   act.assistant == actions::TAssistant::Picture});
        }
    }
    for (const markup::TVariableRef& v : index.variables)
        if (!v.name.empty() && !setOffsets.count(v.offset))
            e.reads.push_back({lines.place(v.offset, v.length), v.name});
    return e;
}

const TPageLink* linkAt(const TPageEntry& entry, int offset) {
    for (const TPageLink& l : entry.links)
        if (offset >= l.link.offset && offset <= l.link.offset + l.link.length)
            return &l;
    return nullptr;
}

void TBookIndex::setBook(TBook book) {
    std::unordered_map<std::string, std::size_t> old;
    for (std::size_t i = 0; i < entries_.size(); ++i)
        old.emplace(book_.page(static_cast<int>(i)).fileName, i);
    std::vector<TPageEntry> entries(static_cast<std::size_t>(book.count()));
    for (int i = 0; i < book.count(); ++i) {
        const TPage& p = book.page(i);
        const auto f = old.find(p.fileName);
        if (f == old.end())
            continue;
        TPageEntry& e = entries_[f->second];
        if (e.indexed && e.size == p.size && e.modified == p.modified)
            entries[static_cast<std::size_t>(i)] = std::move(e);
    }
    book_ = std::move(book);
    entries_ = std::move(entries);
}

void TBookIndex::invalidate(int page) {
    entries_[static_cast<std::size_t>(page)].indexed = false;
}

int TBookIndex::pendingCount() const {
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(),
                                          [](const TPageEntry& e) { return !e.indexed; }));
}

bool TBookIndex::indexPending(const TPageReader& reader, const TProgress& progress,
                              const std::atomic<bool>* cancel) {
    const int total = pendingCount();
    int done = 0;
    for (int i = 0; i < book_.count(); ++i) {
        if (entries_[static_cast<std::size_t>(i)].indexed)
            continue;
        if (cancel && *cancel)
            return false;
        reindex(i, reader, cancel);
        if (!entry(i).indexed)
            return false;
        ++done;
        if (progress)
            progress(done, total);
    }
    return true;
}

void TBookIndex::reindex(int page, const TPageReader& reader, const std::atomic<bool>* cancel) {
    const TPage& p = book_.page(page);
    TReadResult r = reader(book_.pathOf(page));
    TPageEntry e;
    if (r.ok) {
        e = indexPageBytes(r.bytes, cancel);
        if (cancel && *cancel)
            return; // read in part: the page stays waiting
    } else {
        e.indexed = true;
        e.note = message(TMessage::PageUnreadable, {r.error});
    }
    e.size = p.size;
    e.modified = p.modified;
    entries_[static_cast<std::size_t>(page)] = std::move(e);
}

int TBookIndex::linkTarget(int page, const TPageLink& link) const {
    switch (link.kind) {
    case TLinkKind::Page:
        return book_.pageNamed(link.target);
    case TLinkKind::Next:
        return book_.next(page);
    case TLinkKind::Previous:
        return book_.previous(page);
    }
    return -1;
}

std::vector<TBacklink> TBookIndex::backlinks(int page) const {
    std::vector<TBacklink> out;
    for (int i = 0; i < book_.count(); ++i) {
        if (i == page)
            continue;
        for (const TPageLink& l : entry(i).links)
            if (linkTarget(i, l) == page)
                out.push_back({i, l});
    }
    return out;
}

} // namespace book
