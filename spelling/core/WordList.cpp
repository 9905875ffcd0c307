#include "spelling/core/WordList.h"

#include "platform/core/SafeFile.h"

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace spelling {

std::string wordFolder(const char* xdgDataHome, const char* home) {
    std::string base;
    if (xdgDataHome && *xdgDataHome == '/')
        base = xdgDataHome;
    else
        base = std::string(home ? home : "") + "/.local/share";
    return base + "/Larkpad/words";
}

bool isUtf8Text(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == 0)
            return false;
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        unsigned lowest = 0; // the least code point a sequence of that length may hold
        unsigned cp = 0;
        if ((c & 0xE0) == 0xC0) {
            more = 1;
            lowest = 0x80;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2;
            lowest = 0x800;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3;
            lowest = 0x10000;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + more >= bytes.size())
            return false;
        for (int k = 1; k <= more; ++k) {
            const auto n = static_cast<unsigned char>(bytes[i + k]);
            if ((n & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (n & 0x3F);
        }
        if (cp < lowest || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
            return false;
        i += more + 1;
    }
    return true;
}

void TWordList::load(const std::string& path) {
    path_ = path;
    unreadable_.clear();
    words_.clear();
    text_.clear();
    const safefile::TOpenResult opened = safefile::openForReading(path);
    if (opened.fd < 0) {
        if (opened.kind == safefile::TKind::missing &&
            (opened.error == ENOENT || opened.error == ENOTDIR))
            return; // no list yet
        unreadable_ = opened.error ? safefile::reasonOf(opened.error)
                                   : std::string("it is ") + safefile::kindName(opened.kind) +
                                         ", not a regular file";
        return;
    }
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(opened.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            unreadable_ = safefile::reasonOf(errno);
            ::close(opened.fd);
            return;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(opened.fd);
    if (!isUtf8Text(bytes)) {
        unreadable_ = "it is not a list of words in UTF-8";
        return;
    }
    std::size_t from = 0;
    while (from < bytes.size()) {
        std::size_t end = bytes.find('\n', from);
        if (end == std::string::npos)
            end = bytes.size();
        const std::string_view line(bytes.data() + from, end - from);
        from = end + 1;
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos)
            continue;
        const std::size_t last = line.find_last_not_of(" \t\r");
        std::string word(line.substr(first, last + 1 - first));
        if (words_.insert(word).second)
            text_ += word + "\n";
    }
}

bool TWordList::contains(std::string_view word) const {
    return words_.find(std::string(word)) != words_.end();
}

bool TWordList::add(std::string_view word, std::string* why) {
    if (word.empty() || word.find_first_of("\r\n") != std::string_view::npos)
        return true;
    if (!words_.insert(std::string(word)).second)
        return true;
    text_ += std::string(word) + "\n";
    if (path_.empty())
        return true;
    // Writing a list that was not read would replace the author's words with the new one.
    if (!unreadable_.empty()) {
        if (why)
            *why = "the list " + path_ + " could not be read (" + unreadable_ +
                   "), so it is not written";
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
    safefile::TBytesInMemory bytes{text_};
    const safefile::TWriteResult r = safefile::writeFile(path_, bytes);
    if (!r.ok() && why)
        *why = "the list " + path_ + " cannot be written (" +
               (r.error
                    ? safefile::reasonOf(r.error)
                    : std::string("it is ") + safefile::kindName(r.kind) + ", not a regular file") +
               ")";
    return r.ok();
}

} // namespace spelling
