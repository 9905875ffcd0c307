#include "book/core/BookRename.h"

#include "book/core/BookMessages.h"
#include "document/core/Cp1252.h"

namespace book {

namespace {

constexpr std::string_view kExtension = ".txt";

bool endsWithExtension(std::string_view name) {
    return name.size() >= kExtension.size() &&
           sameFolded(name.substr(name.size() - kExtension.size()), kExtension);
}

} // namespace

std::string TPageRenamePlan::summary() const {
    return message(TMessage::RenameCount,
                   {counted(links, "link", "links"),
                    counted(static_cast<long long>(changes.size()), "page", "pages")});
}

TPageRenamePlan planPageRename(const TBookIndex& index, const TPageReader& reader, int page,
                               std::string_view newName) {
    const TBook& book = index.book();
    TPageRenamePlan plan;
    plan.page = page;
    plan.oldPath = book.pathOf(page);
    std::string name(newName);
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    while (!name.empty() && name.front() == ' ')
        name.erase(0, 1);
    if (!isPageFileName(name))
        name.append(kExtension);
    bool encodable = true;
    const std::string pageName = pageBytesOfName(name, &encodable);
    if (name.size() <= kExtension.size())
        plan.refusal = message(TMessage::NameEmpty);
    else if (name.find_first_of(std::string_view("/\\\r\n\0", 5)) != std::string::npos)
        plan.refusal = message(TMessage::NameHasSeparator);
    else if (name.find('"') != std::string::npos)
        plan.refusal = message(TMessage::NameHasQuote);
    else if (!encodable)
        plan.refusal = message(TMessage::NameNotInCodePage);
    if (!plan.refusal.empty())
        return plan;
    const std::string stem = pageName.substr(0, pageName.size() - kExtension.size());
    for (const std::string_view asNamed : {std::string_view(pageName), std::string_view(stem)}) {
        const int other = book.pageNamed(asNamed);
        if (other >= 0 && other != page) {
            plan.refusal = message(TMessage::NameTaken, {book.page(other).fileName});
            return plan;
        }
    }
    plan.newFileName = name;
    plan.newPath = book.folder() + '/' + name;

    for (int i = 0; i < book.count(); ++i) {
        bool names = false;
        for (const TPageLink& l : index.entry(i).links)
            names = names || (l.kind == TLinkKind::Page && index.linkTarget(i, l) == page);
        if (!names)
            continue;
        TReadResult r = reader(book.pathOf(i));
        if (!r.ok) {
            plan.unread.push_back(book.page(i).fileName);
            continue;
        }
        // The page as it is now, which may differ from what the index last read.
        const TPageEntry now = indexPageBytes(r.bytes);
        TPageChange c;
        c.page = i;
        c.path = book.pathOf(i);
        for (const TPageLink& l : now.links) {
            if (l.kind != TLinkKind::Page || book.pageNamed(l.target) != page)
                continue;
            std::string text = endsWithExtension(l.target) ? pageName : stem;
            if (text != l.target) // a link already written so is left alone
                c.edits.push_back({l.argument.offset, l.argument.length, std::move(text)});
        }
        if (c.edits.empty())
            continue;
        c.newBytes = applyEdits(r.bytes, c.edits);
        c.oldBytes = std::move(r.bytes);
        plan.links += static_cast<int>(c.edits.size());
        plan.changes.push_back(std::move(c));
    }
    return plan;
}

TApplyResult applyPageRename(const TPageRenamePlan& plan, const TPageReader& reader,
                             TStagedWriter& writer) {
    if (!plan.refusal.empty()) {
        TApplyResult r;
        r.error = plan.refusal;
        return r;
    }
    return applyChanges(plan.changes, reader, writer, plan.oldPath, plan.newPath);
}

} // namespace book
