#pragma once

#include "document/PageWatcher.h"
#include "editor/TextSearch.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <vector>

class TPageDocument;
class TDocumentSearch;

// The matches of a search over the whole page, counted without holding up the author: the count
// starts a moment after the search or the page last changed, and goes through the text a slice at
// a time on the event loop, so keys typed meanwhile are handled between two slices. A page of
// 50 MB is counted in about a second of slices of a few milliseconds each, after the one copy of
// its text that find makes too; until then the count is unknown.
class TMatchCount : public QObject {
    Q_OBJECT
public:
    TMatchCount(TPageDocument& page, TDocumentSearch& search);

    // Counts the matches of `search` (an empty one: none, at once).
    void setSearch(const TTextSearch& search);
    // Stops counting and forgets the matches (the find bar is closed).
    void stop();

    bool known() const { return known_; }
    // Whether a count is waiting for the text to be still or is under way.
    bool scheduled() const { return delay_.isActive() || slice_.isActive(); }
    int total() const { return static_cast<int>(starts_.size()); }
    // The number, from 1, of the match that starts at this editor position; 0 when none does or
    // the count is not known yet.
    int numberAt(int documentPosition) const;

    // Characters searched per slice, and the most matches one slice takes: a page made of the
    // searched text is no slower to type in than any other.
    static constexpr qsizetype kSlice = 1 << 20;
    static constexpr std::size_t kMatchesPerSlice = 20000;

signals:
    void counted(); ///< the count is known

private:
    void restart();
    void step();

    TPageDocument& page_;
    TDocumentSearch& documentSearch_;
    TTextSearch search_;
    QString text_;            ///< shares the searched copy of the page while counting
    std::vector<int> starts_; ///< where each match starts in the searched text
    qsizetype at_ = 0;
    bool known_ = false;
    bool running_ = false;
    QTimer delay_, slice_;
    TPageWatch watch_; ///< last: the page is watched while all stands
};
