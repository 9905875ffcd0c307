#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class TPageDocument;
class TPageReader;
struct TFileStamp;

// The rest of a page that is already showing its first lines, read and appended to the document
// in the background of the event loop: a few milliseconds of work at a time, so that the window
// paints, scrolls and opens its menus meanwhile. The undo history stays off until the load ends,
// so that appending leaves none. Destroying the load stops it where it is.
class TPageLoad : public QObject {
    Q_OBJECT
public:
    TPageLoad(TPageDocument& page, std::unique_ptr<TPageReader> reader);
    ~TPageLoad() override;

    // Told now and then: bytes read so far and the file's size.
    std::function<void(qint64 done, qint64 total)> progress;
    // The page is complete (zeroOffset as TPageText's, stamp the file as read, see
    // TPageReader::stamp). Called once, from the event loop or from finishNow(); the load may be
    // destroyed in it.
    std::function<void(qint64 zeroOffset, const TFileStamp& stamp)> finished;
    // Reading failed (a TLpError's text): the load has stopped.
    std::function<void(const QString& message)> failed;

    void start();
    // Reads and appends the rest at once.
    void finishNow();
    bool running() const { return running_; }

    // Bytes read in one append at least: about 256 KB of page (more at the end of a long line).
    static constexpr qint64 kAppend = qint64(1) << 18;
    // The first append; each next one twice as large, up to kAppend.
    static constexpr qint64 kFirstAppend = qint64(1) << 14;
    // How long one turn of the event loop appends before it lets the window paint.
    static constexpr int kTurnMs = 50;
    // How long the first turn appends; each next turn twice as long, up to kTurnMs.
    static constexpr int kFirstTurnMs = 4;

private:
    void turn();
    // Appends the next slice; false when the page is complete or reading failed.
    bool appendSlice();
    void end();

    TPageDocument& page_;
    std::unique_ptr<TPageReader> reader_;
    QString slice_; ///< reused for every append
    QTimer timer_;
    int turnMs_ = kFirstTurnMs;
    qint64 appendBytes_ = kFirstAppend;
    bool running_ = false;
};
