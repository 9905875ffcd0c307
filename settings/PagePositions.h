#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class TLpIniCtrl;

// Where the author left each of the last pages opened: the caret and the first line in view, with
// the file as it was then (size and hash of its bytes), and the page's spelling language, newest
// first. Kept in the settings section [Positions] as numbered values "P0", "P1", ... of the form
// "caret,line,column,top,size,hash,path" (the path last, as it may hold commas), and for the
// pages with a language "L0", "L1", ... of the form "tag,path" (values of their own, which
// versions that know only the places read past).
struct TPagePosition {
    QString path;
    int caret = 0;  ///< page offset
    int line = 0;   ///< the caret's line, from 0
    int column = 0; ///< the caret's column in it
    int top = 0;    ///< the first line in view, from 0
    std::int64_t size = -1;
    std::uint64_t hash = 0;
    QString language = {}; ///< the spelling dictionary's tag; empty: none chosen for the page

    bool operator==(const TPagePosition&) const = default;
};

class TPagePositions {
public:
    static constexpr int kMaxPages = 20;

    const std::vector<TPagePosition>& pages() const { return pages_; }
    // Puts a page first, in place of what was kept of it; the oldest beyond kMaxPages go.
    void remember(const TPagePosition& position);
    std::optional<TPagePosition> find(const QString& path) const;

    // Reading keeps what can be read and skips the rest; writing throws TLpError as the store.
    void load(TLpIniCtrl& store);
    void save(TLpIniCtrl& store) const;

    static QString encode(const TPagePosition& position);
    static std::optional<TPagePosition> decode(const QString& text);

    // Where the caret goes in a page that has lineCount lines and is (sameFile) or is not the file
    // as it was: the same place; else the same line if the page still has it; else the top.
    struct TRestore {
        bool exact = false; ///< caret is the kept offset
        int line = 0;
        int column = 0;
        int top = 0;
    };
    static TRestore restoreIn(const TPagePosition& kept, bool sameFile, int lineCount);

private:
    std::vector<TPagePosition> pages_;
};
