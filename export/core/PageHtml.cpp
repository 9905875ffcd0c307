#include "export/core/PageHtml.h"

#include "document/core/Cp1252.h"
#include "export/core/HtmlText.h"
#include "markup/core/ActionArguments.h"
#include "markup/core/Actions.h"
#include "markup/core/PageIndex.h"
#include "markup/core/PreviewRuns.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

using namespace markup;

namespace bookexport {

namespace {

constexpr int kCancelLines = 1024; ///< lines written between looks at the cancel flag
constexpr int kLinkLookBack = 64;  ///< enclosing links looked at for a place of the page

std::string hexColor(TColor c) {
    constexpr char kHex[] = "0123456789abcdef";
    std::string s = "#";
    for (const unsigned v : {colors::red(c), colors::green(c), colors::blue(c)}) {
        s += kHex[v >> 4];
        s += kHex[v & 0xF];
    }
    return s;
}

// The action table's entry for an action word (any case), or -1.
int actionIndex(std::string_view word) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (int k = 0; k < actions::kActionCount; ++k) {
        const std::string_view w = actions::actionAt(k).word;
        if (w.size() == word.size() &&
            std::equal(w.begin(), w.end(), word.begin(),
                       [&](char a, char b) { return lower(a) == lower(b); }))
            return k;
    }
    return -1;
}

// An anchor's id from a mark's name: its ASCII letters and digits, the rest as dashes.
std::string idOfName(std::string_view name) {
    constexpr std::size_t kMaxId = 40;
    std::string id = "t-";
    for (const char c : name.substr(0, kMaxId)) {
        const bool alnum =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        id += alnum ? c : '-';
    }
    return id;
}

// What one action link becomes: the tags around its visible text, and what shows after it.
struct TLinkHtml {
    std::string open, close, after;
    bool made = false;
    bool placed = false; ///< `after` written (after the link's first paragraph)
};

class TPageWriter {
public:
    TPageWriter(std::string_view page, TPageContext& context, std::string& out,
                const std::atomic<bool>* cancel)
        : page_(page), cx_(context), out_(out), index_(indexPage(page, cancel)),
          links_(index_.links.size()) {
        nameAnchors();
    }

    bool write(const std::atomic<bool>* cancel) {
        const std::vector<std::string_view> lines = previewLines(page_);
        TPreviewState state;
        for (std::size_t k = 0; k < lines.size(); ++k) {
            if (cancel && k % kCancelLines == 0 && *cancel)
                return false;
            line_ = static_cast<int>(k);
            paragraph(lines[k], readPreviewLine(lines[k], state));
        }
        return true;
    }

private:
    // The first mark of each name gets an anchor: the id of its line's paragraph.
    void nameAnchors() {
        std::unordered_set<std::string> ids;
        for (const TTargetMark& m : index_.targets) {
            if (targetIds_.contains(m.name))
                continue;
            auto line = lineIds_.find(m.line);
            if (line == lineIds_.end()) {
                std::string id = idOfName(m.name);
                for (int n = 2; ids.contains(id); ++n)
                    id = idOfName(m.name) + "-" + std::to_string(n);
                ids.insert(id);
                line = lineIds_.emplace(m.line, std::move(id)).first;
            }
            targetIds_.emplace(m.name, line->second);
        }
    }

    // The innermost link with an action whose visible text holds the page's byte `at`, or -1.
    int linkAt(int at) const {
        const auto& links = index_.links;
        const auto after = std::upper_bound(links.begin(), links.end(), at,
                                            [](int a, const TLinkRef& l) { return a < l.offset; });
        int k = static_cast<int>(after - links.begin()) - 1;
        for (int looked = 0; k >= 0 && looked < kLinkLookBack; --k, ++looked)
            if (at < links[static_cast<std::size_t>(k)].actionOffset)
                return k;
        return -1;
    }

    void paragraph(std::string_view line, const TPreviewParagraph& p) {
        const int lineStart = static_cast<int>(line.data() - page_.data());
        out_ += "<p";
        if (const auto id = lineIds_.find(line_); id != lineIds_.end())
            out_.append(" id=\"").append(id->second).append("\"");
        if (p.centred)
            out_ += " class=\"m\"";
        if (p.indent > 0)
            out_.append(" style=\"margin-left:").append(std::to_string(p.indent)).append("ch\"");
        out_ += '>';
        int open = kNoLink;
        for (const TPreviewRun& r : p.runs) {
            const int link = r.style.flags & kPreviewLink ? linkAt(lineStart + r.source) : kNoLink;
            if (link != open) {
                closeSpan();
                closeLink(open);
                openLink(link);
                open = link;
            }
            if (!inSpan_ || !(spanStyle_ == r.style)) {
                closeSpan();
                openSpan(r.style);
            }
            if (r.tab)
                out_ += '\t';
            else
                appendHtmlText(out_, line.substr(static_cast<std::size_t>(r.source),
                                                 static_cast<std::size_t>(r.length)));
        }
        closeSpan();
        closeLink(open);
        if (p.runs.empty())
            out_ += "<br>";
        out_ += "</p>\n";
    }

    // Runs of one style one after the other share a span.
    void openSpan(const TPreviewStyle& s) {
        inSpan_ = true;
        spanStyle_ = s;
        const std::uint64_t key = std::uint64_t(s.flags) |
                                  (std::uint64_t(std::uint16_t(s.size + 1)) << 16) |
                                  (std::uint64_t(std::uint8_t(s.color + 1)) << 32);
        auto tag = spanTags_.find(key);
        if (tag == spanTags_.end())
            tag = spanTags_.emplace(key, spanTag(s)).first;
        spanTag_ = !tag->second.empty();
        out_ += tag->second;
    }

    // The opening tag of a style's span; empty for the page's own style.
    static std::string spanTag(const TPreviewStyle& s) {
        std::string classes;
        const auto add = [&](std::uint16_t flag, const char* name) {
            if (s.flags & flag)
                classes.append(classes.empty() ? "" : " ").append(name);
        };
        add(kPreviewBold, "b");
        add(kPreviewItalic, "i");
        add(kPreviewUnderlined, "u");
        add(kPreviewStrikeout, "x");
        add(kPreviewInverse, "r");
        add(kPreviewVariable, "v");
        if (s.color >= 0)
            classes.append(classes.empty() ? "c" : " c").append(std::to_string(s.color));
        if (classes.empty() && s.size <= 0)
            return {};
        std::string tag = "<span";
        if (!classes.empty())
            tag.append(" class=\"").append(classes).append("\"");
        if (s.size > 0)
            tag.append(" style=\"font-size:").append(std::to_string(s.size)).append("pt\"");
        return tag + '>';
    }

    void closeSpan() {
        if (inSpan_ && spanTag_)
            out_ += "</span>";
        inSpan_ = false;
    }

    void openLink(int link) {
        if (link == kNoLink)
            return;
        if (link < 0) {
            out_ += "<span class=\"link\">"; // a link with no action text
            return;
        }
        TLinkHtml& h = links_[static_cast<std::size_t>(link)];
        if (!h.made)
            make(index_.links[static_cast<std::size_t>(link)], h);
        out_ += h.open;
    }

    void closeLink(int link) {
        if (link == kNoLink)
            return;
        if (link < 0) {
            out_ += "</span>";
            return;
        }
        TLinkHtml& h = links_[static_cast<std::size_t>(link)];
        out_ += h.close;
        if (!h.placed)
            out_ += h.after;
        h.placed = true;
    }

    // A link that leads nowhere in the export: its text, with what it would do as a tooltip.
    static void inert(TLinkHtml& h, std::string_view action, const char* kind) {
        h.open = std::string("<span class=\"") + kind + "\" title=\"";
        appendHtmlText(h.open, action);
        h.open += "\">";
        h.close = "</span>";
    }

    static void linkTo(TLinkHtml& h, const std::string& href, const char* attributes = "") {
        h.open = "<a href=\"" + href + "\"" + attributes + ">";
        h.close = "</a>";
    }

    void make(const TLinkRef& l, TLinkHtml& h) {
        h.made = true;
        const std::string_view action =
            page_.substr(static_cast<std::size_t>(l.actionOffset) + 1,
                         static_cast<std::size_t>(l.actionEnd - l.actionOffset - 1));
        if (l.toTarget) {
            if (const auto id = targetIds_.find(l.name); id != targetIds_.end())
                return linkTo(h, "#" + id->second);
            inert(h, action, "link missing");
            return cx_.note(l.actionLine, "no target of this name on the page: " + utf8(l.name));
        }
        const int k = actionIndex(l.word);
        if (k < 0)
            return inert(h, action, "action");
        const actions::TAction& a = actions::actionAt(k);
        std::vector<TArgument> args;
        splitArguments(action, actionWordEnd(action), args, nullptr);
        const auto arg = [&](std::size_t n) {
            return n < args.size() ? args[n].value : std::string_view();
        };
        std::string href;
        if (a.word == "GotoPage") {
            href = cx_.pageFile(arg(0));
            if (href.empty())
                cx_.note(l.actionLine, "GotoPage names no page of the book: " + utf8(arg(0)));
        } else if (a.word == "GotoNextPage" || a.word == "GotoPrevPage") {
            href = cx_.neighbourFile(a.word == "GotoNextPage" ? 1 : -1);
            if (href.empty())
                cx_.note(l.actionLine, std::string(a.word) + " has no page to go to");
        } else if (a.word == "InternetLink") {
            if (const auto address = webAddress(arg(0))) {
                std::string escaped;
                appendHtmlUtf8(escaped, *address);
                return linkTo(h, escaped, " rel=\"noopener noreferrer\"");
            }
            cx_.note(l.actionLine,
                     "only http:, https: and mailto: addresses are links: " + utf8(arg(0)));
        } else if (a.pathArgument > 0 && a.assistant != actions::TAssistant::Program) {
            const TFileUse use = a.assistant == actions::TAssistant::Picture ? TFileUse::Picture
                                 : a.assistant == actions::TAssistant::Sound ? TFileUse::Sound
                                 : a.assistant == actions::TAssistant::Video ? TFileUse::Video
                                                                             : TFileUse::Text;
            std::string why;
            const std::string copy =
                cx_.fileCopy(arg(static_cast<std::size_t>(a.pathArgument - 1)), use, why);
            if (copy.empty())
                cx_.note(l.actionLine, why);
            return file(h, action, copy, use);
        }
        if (href.empty())
            return inert(h, action, a.word.starts_with("Goto") ? "link missing" : "action");
        linkTo(h, hrefOfName(href));
    }

    static void file(TLinkHtml& h, std::string_view action, const std::string& name, TFileUse use) {
        if (name.empty())
            return inert(h, action, "link missing");
        const std::string href = hrefOfName(name);
        std::string alt;
        appendHtmlUtf8(alt, name);
        switch (use) {
        case TFileUse::Picture:
            linkTo(h, href);
            h.after = " <img src=\"" + href + "\" alt=\"" + alt + "\">";
            break;
        case TFileUse::Sound:
        case TFileUse::Video:
            inert(h, action, "link");
            h.after = std::string(use == TFileUse::Sound ? " <audio" : " <video") +
                      " controls src=\"" + href + "\">" + alt +
                      (use == TFileUse::Sound ? "</audio>" : "</video>");
            break;
        case TFileUse::Text:
            linkTo(h, href);
            break;
        }
    }

    static std::string utf8(std::string_view bytes) { return shownArgument(bytes); }

    static constexpr int kNoLink = -2; ///< a run outside any link; -1: a link with no action

    std::string_view page_;
    TPageContext& cx_;
    std::string& out_;
    TPageIndex index_;
    std::vector<TLinkHtml> links_;
    std::unordered_map<int, std::string> lineIds_;           ///< paragraphs that hold anchors
    std::unordered_map<std::string, std::string> targetIds_; ///< mark name: anchor id
    int line_ = 0;
    bool inSpan_ = false;                                     ///< a run's text is being written
    bool spanTag_ = false;                                    ///< ... inside a span of its own
    TPreviewStyle spanStyle_;                                 ///< ... of this style
    std::unordered_map<std::uint64_t, std::string> spanTags_; ///< by style
};

} // namespace

bool appendPageBody(std::string_view page, TPageContext& context, std::string& out,
                    const std::atomic<bool>* cancel) {
    return TPageWriter(page, context, out, cancel).write(cancel);
}

const std::string& pageStyleSheet() {
    static const std::string css = [] {
        std::string s = "body{font-family:sans-serif;font-size:12pt;margin:1em 2em}\n"
                        "nav{margin-bottom:1em}\n"
                        "p{margin:0;white-space:pre-wrap;tab-size:8}\n"
                        ".m{text-align:center}\n"
                        ".b{font-weight:bold}\n"
                        ".i{font-style:italic}\n"
                        ".u{text-decoration:underline}\n"
                        ".x{text-decoration:line-through}\n"
                        ".u.x{text-decoration:underline line-through}\n"
                        ".link{text-decoration:underline;color:#0000ee}\n"
                        ".missing{color:#808080}\n"
                        ".action{text-decoration:underline;cursor:help}\n"
                        ".r{color:#fff;background:#000}\n";
        s += ".v{text-decoration:underline dotted;background:" +
             hexColor(kPreviewVariableBackground) + "}\n";
        for (int k = 0; k < kPageColorCount; ++k) {
            const std::string hex = hexColor(kPageColors[static_cast<std::size_t>(k)].value);
            const std::string n = std::to_string(k);
            s += ".c" + n + "{color:" + hex + "}\n.r.c" + n + "{color:#fff;background:" + hex +
                 "}\n";
        }
        return s;
    }();
    return css;
}

} // namespace bookexport
