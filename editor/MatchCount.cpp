#include "editor/MatchCount.h"

#include "document/PageDocument.h"
#include "editor/DocumentSearch.h"

#include <QTextDocument>

#include <algorithm>

TMatchCount::TMatchCount(TPageDocument& page, TDocumentSearch& search)
    : page_(page), documentSearch_(search), watch_(page, {.changed = [this](int, int, int) {
                                                       if (running_) {
                                                           known_ = false;
                                                           slice_.stop();
                                                           delay_.start();
                                                       }
                                                   }}) {
    // A pause in typing, not each key, starts a count: copying a long page takes a moment.
    delay_.setSingleShot(true);
    delay_.setInterval(150);
    connect(&delay_, &QTimer::timeout, this, &TMatchCount::restart);
    slice_.setInterval(0);
    connect(&slice_, &QTimer::timeout, this, &TMatchCount::step);
}

void TMatchCount::setSearch(const TTextSearch& search) {
    search_ = search;
    running_ = true;
    known_ = false;
    slice_.stop();
    starts_.clear();
    if (search_.isEmpty()) {
        delay_.stop();
        known_ = true;
        emit counted();
        return;
    }
    delay_.start();
}

void TMatchCount::stop() {
    running_ = false;
    known_ = false;
    delay_.stop();
    slice_.stop();
    starts_.clear();
    starts_.shrink_to_fit();
    text_ = QString();
}

void TMatchCount::restart() {
    starts_.clear();
    at_ = 0;
    known_ = false;
    if (search_.isEmpty())
        return;
    text_ = documentSearch_.textCopy();
    slice_.start();
}

void TMatchCount::step() {
    const qsizetype size = text_.size();
    // Slices end at multiples of kSlice, also after one stopped at its most matches.
    const qsizetype end = std::min(size, (at_ / kSlice + 1) * kSlice);
    // Matches that start in this slice, each after the end of the one before (as Replace All
    // counts them).
    const qsizetype reach = std::min(size, end + search_.needle().size() - 1);
    const std::size_t most = starts_.size() + kMatchesPerSlice;
    while (at_ < end) {
        const TTextMatch m = search_.next(text_, at_, reach);
        if (!m.found() || m.Start >= end) {
            at_ = end;
            break;
        }
        starts_.push_back(static_cast<int>(m.Start));
        at_ = m.end();
        if (starts_.size() >= most)
            return; // the rest of the slice next time
    }
    if (at_ < size)
        return;
    slice_.stop();
    text_ = QString();
    known_ = true;
    emit counted();
}

int TMatchCount::numberAt(int documentPosition) const {
    if (!known_)
        return 0;
    const int start = page_.textPosition(documentPosition);
    const auto it = std::lower_bound(starts_.begin(), starts_.end(), start);
    if (it == starts_.end() || *it != start)
        return 0;
    return static_cast<int>(it - starts_.begin()) + 1;
}
