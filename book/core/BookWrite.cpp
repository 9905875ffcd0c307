#include "book/core/BookWrite.h"

#include "book/core/BookMessages.h"
#include "platform/core/SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace book {

namespace {

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

class TSafeStagedWriter : public TStagedWriter {
public:
    TSafeStagedWriter() {
        // Every staged page holds its file open until all are in place: allow as many files as
        // the system lets this user have.
        rlimit r{};
        if (::getrlimit(RLIMIT_NOFILE, &r) == 0 && r.rlim_cur < r.rlim_max) {
            r.rlim_cur = r.rlim_max;
            ::setrlimit(RLIMIT_NOFILE, &r);
        }
    }

    int stage(const std::string& path, std::string_view bytes, std::string& error) override {
        auto w = std::make_unique<safefile::TFileWriter>();
        safefile::TWriteOptions options;
        options.mayWriteInPlace = false;
        const safefile::TWriteResult r = w->open(path, options);
        if (!r.ok()) {
            error = r.failed == safefile::TStage::notRegular
                        ? message(TMessage::NotAFile, {safefile::kindName(r.kind)})
                        : safefile::reasonOf(r.error);
            return -1;
        }
        // writeAt flushes what write buffered, so that a full disk shows now.
        if (!w->write(bytes) || (!bytes.empty() && !w->writeAt(0, bytes.substr(0, 1)))) {
            error = safefile::reasonOf(errno);
            return -1;
        }
        writers_.push_back(std::move(w));
        return static_cast<int>(writers_.size()) - 1;
    }

    bool commit(int handle, std::string& error) override {
        const safefile::TWriteResult r = writers_[static_cast<std::size_t>(handle)]->commit();
        if (!r.ok())
            error = safefile::reasonOf(r.error);
        return r.ok();
    }

    void discardAll() override { writers_.clear(); }

    bool rename(const std::string& from, const std::string& to, std::string& error) override {
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
            return true;
        if (errno != EINVAL && errno != ENOSYS) {
            error = safefile::reasonOf(errno);
            return false;
        }
        // A file system that cannot refuse a replacement by itself.
        struct stat st {};
        if (::lstat(to.c_str(), &st) == 0) {
            error = safefile::reasonOf(EEXIST);
            return false;
        }
        if (::rename(from.c_str(), to.c_str()) != 0) {
            error = safefile::reasonOf(errno);
            return false;
        }
        return true;
    }

private:
    std::vector<std::unique_ptr<safefile::TFileWriter>> writers_;
};

// Puts the old bytes of the changes [0, count) back; the pages that could not be go to out.
void putBack(const std::vector<TPageChange>& changes, std::size_t count, TStagedWriter& writer,
             std::vector<std::string>& out) {
    writer.discardAll();
    for (std::size_t k = 0; k < count; ++k) {
        std::string error;
        const int h = writer.stage(changes[k].path, changes[k].oldBytes, error);
        if (h < 0 || !writer.commit(h, error))
            out.push_back(fileNameOf(changes[k].path));
    }
    writer.discardAll();
}

} // namespace

bool takeChange(std::vector<TPageChange>& changes, int page, TPageChange& taken) {
    const auto it = std::find_if(changes.begin(), changes.end(),
                                 [page](const TPageChange& c) { return c.page == page; });
    if (it == changes.end())
        return false;
    taken = std::move(*it);
    changes.erase(it);
    return true;
}

std::unique_ptr<TStagedWriter> safeStagedWriter() {
    return std::make_unique<TSafeStagedWriter>();
}

TApplyResult applyChanges(const std::vector<TPageChange>& changes, const TPageReader& reader,
                          TStagedWriter& writer, const std::string& renameFrom,
                          const std::string& renameTo) {
    TApplyResult result;
    for (const TPageChange& c : changes) {
        const TReadResult now = reader(c.path);
        if (!now.ok || now.bytes != c.oldBytes) {
            result.error = message(TMessage::PageChangedOnDisk, {fileNameOf(c.path)});
            return result;
        }
    }
    if (!renameTo.empty() && renameTo != renameFrom) {
        struct stat st {};
        if (::lstat(renameTo.c_str(), &st) == 0) {
            // Only the same file under a name that differs in case may be renamed onto.
            struct stat from {};
            if (::lstat(renameFrom.c_str(), &from) != 0 || from.st_ino != st.st_ino ||
                from.st_dev != st.st_dev) {
                result.error = message(TMessage::PageNotRenamed,
                                       {fileNameOf(renameFrom), safefile::reasonOf(EEXIST)});
                return result;
            }
        }
    }
    std::vector<int> handles;
    for (const TPageChange& c : changes) {
        std::string error;
        const int h = writer.stage(c.path, c.newBytes, error);
        if (h < 0) {
            writer.discardAll();
            result.error = message(TMessage::PageNotWritten, {fileNameOf(c.path), error});
            return result;
        }
        handles.push_back(h);
    }
    for (std::size_t k = 0; k < changes.size(); ++k) {
        std::string error;
        if (!writer.commit(handles[k], error)) {
            result.error = message(TMessage::PageNotWritten, {fileNameOf(changes[k].path), error});
            putBack(changes, k, writer, result.unrestored);
            return result;
        }
    }
    writer.discardAll();
    if (!renameTo.empty() && renameTo != renameFrom) {
        std::string error;
        if (!writer.rename(renameFrom, renameTo, error)) {
            result.error = message(TMessage::PageNotRenamed, {fileNameOf(renameFrom), error});
            putBack(changes, changes.size(), writer, result.unrestored);
            return result;
        }
    }
    for (const TPageChange& c : changes)
        result.written.push_back(fileNameOf(c.path));
    result.ok = true;
    return result;
}

} // namespace book
