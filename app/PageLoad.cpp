#include "app/PageLoad.h"

#include "document/PageDocument.h"
#include "document/PageFiles.h"
#include "platform/Errors.h"

#include <algorithm>

TPageLoad::TPageLoad(TPageDocument& page, std::unique_ptr<TPageReader> reader)
    : page_(page), reader_(std::move(reader)) {
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &TPageLoad::turn);
}

TPageLoad::~TPageLoad() {
    if (running_)
        page_.keepHistory(true);
}

void TPageLoad::start() {
    running_ = true;
    page_.keepHistory(false);
    slice_.reserve(qsizetype(kAppend));
    timer_.start();
}

void TPageLoad::turn() {
    QElapsedTimer clock;
    clock.start();
    // The first turns and appends are short: the window shows its first screenful between two
    // turns, and the display server's go-ahead for that first paint may arrive only after a turn
    // or two.
    const int turnMs = turnMs_;
    turnMs_ = std::min(2 * turnMs_, kTurnMs);
    while (clock.elapsed() < turnMs)
        if (!appendSlice())
            return;
    if (progress)
        progress(reader_->bytesRead(), reader_->fileSize());
}

void TPageLoad::finishNow() {
    while (appendSlice()) {
    }
}

bool TPageLoad::appendSlice() {
    if (!running_)
        return false;
    slice_.truncate(0);
    try {
        reader_->read(slice_, appendBytes_);
        appendBytes_ = std::min(2 * appendBytes_, kAppend);
    } catch (const TLpError& e) {
        const QString message = e.message();
        end();
        if (failed)
            failed(message);
        return false;
    }
    page_.append(slice_);
    // Without an undo history every change marks the document changed: the page as loaded is
    // the file's text.
    page_.setModified(false);
    if (!reader_->atEnd())
        return true;
    const qint64 zeroOffset = reader_->zeroOffset();
    const TFileStamp stamp = reader_->stamp();
    this->end();
    if (finished)
        finished(zeroOffset, stamp);
    return false;
}

void TPageLoad::end() {
    running_ = false;
    timer_.stop();
    slice_ = QString();
    reader_.reset();
    page_.keepHistory(true);
}
