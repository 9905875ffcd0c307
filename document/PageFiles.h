#pragma once

#include "document/core/FileStamp.h"

#include <QString>

#include <memory>

class TPageDocument;

// Page files on disk. Failures throw TLpError with the text the author sees.

// A page as loaded: the text in the editor's form ('\n' between lines, every character a page
// character) and where it was cut.
struct TPageText {
    QString text;
    qint64 zeroOffset = -1; ///< offset of the first zero byte, where the text ends; -1 when none
};

// Reads a page a part at a time, so that the first lines can be shown before the rest is read.
// Failures throw as loadPageFile does.
class TPageReader {
public:
    explicit TPageReader(const QString& path); ///< opens the file
    ~TPageReader();
    TPageReader(const TPageReader&) = delete;
    TPageReader& operator=(const TPageReader&) = delete;

    // Reads at least about bytes more of the file (whole slices) and appends their text.
    void read(QString& text, qint64 bytes);
    bool atEnd() const;      ///< the end of the file or a zero byte was reached
    qint64 fileSize() const; ///< as the file was opened; 0 when unknown
    qint64 bytesRead() const;
    qint64 zeroOffset() const; ///< as TPageText::zeroOffset
    // The file that was read, once the reader is at its end: as the open file was when it was
    // opened (size, times, identity), with the hash of every byte read from it. A file that another
    // program changed while it was read makes read() throw rather than give a page cut anywhere.
    TFileStamp stamp() const;

    static constexpr qint64 kSlice = 1 << 20;

private:
    void checkUnchanged();

    struct TState;
    QString path_;
    std::unique_ptr<TState> s_;
};

// Reads the whole page. Only a regular file (or a link to one) is a page: anything else is refused
// before it is opened for reading, and opening never waits. Throws errortext::cannotOpenFile
// followed by a line with the reason when the file cannot be opened or read, and
// errortext::memoCapacityExceeded when its text is longer than pagefile::kCapacity bytes.
TPageText loadPageFile(const QString& path);

// Writes the text as a page (line breaks as CR LF, no line break added after the last line), as
// safefile::writeFile does: after a failure the previous file is left as it was; symbolic links
// are followed; owner, group, permissions and hard links are kept. Nothing is ever written over
// something that is not a regular file. Throws errortext::cannotCreateFile when the file cannot be
// created or replaced and errortext::streamWriteError when writing fails, each followed by a line
// that names the file and gives the system's reason.
void savePageFile(const QString& path, const QString& text);

// Saves the page as savePageFile(path, text) saves its text, encoded and hashed in one
// pass on the way out. Returns the file as written (as readFileStamp would give it).
TFileStamp savePageFile(const QString& path, const TPageDocument& page);
