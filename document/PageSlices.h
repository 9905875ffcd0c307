#pragma once

#include <QChar>
#include <QtGlobal>

#include <string>

class TPageDocument;

// Reads a page's bytes (CR LF, page code page) a slice at a time, so that a long page can be
// copied over several turns of the event loop without holding up any one of them. The page must
// not change between slices: a reader of a changed page is thrown away and a new one started.
class TPageSlices {
public:
    explicit TPageSlices(const TPageDocument& page);

    // Appends about `characters` more of the page to bytes; false once the page is all read.
    bool next(std::string& bytes, qsizetype characters);
    bool done() const { return done_; }

private:
    const TPageDocument& page_;
    int position_ = 0; ///< next document position
    int block_ = 0;    ///< and its block
    bool cuts_ = false;
    bool done_ = false;
    QChar carry_; ///< a CR held back for the LF that may follow
    bool carried_ = false;
};
