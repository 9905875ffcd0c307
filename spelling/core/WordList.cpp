#include "spelling/core/WordList.h"

#include "platform/core/SafeFile.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace spelling {

std::string wordFolder(const char* xdgDataHome, const char* home) {
    std::string base;
    if (xdgDataHome && *xdgDataHome == '/')
        base = xdgDataHome;
    else
        base = std::string(home ? home : "") + "/.local/share";
    return base + "/Larkpad/words";
}

void TWordList::load(const std::string& path) {
    path_ = path;
    words_.clear();
    text_.clear();
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos)
            continue;
        const std::size_t last = line.find_last_not_of(" \t\r");
        std::string word = line.substr(first, last + 1 - first);
        if (words_.insert(word).second)
            text_ += word + "\n";
    }
}

bool TWordList::contains(std::string_view word) const {
    return words_.find(std::string(word)) != words_.end();
}

bool TWordList::add(std::string_view word, int* error) {
    if (word.empty() || word.find_first_of("\r\n") != std::string_view::npos)
        return true;
    if (!words_.insert(std::string(word)).second)
        return true;
    text_ += std::string(word) + "\n";
    if (path_.empty())
        return true;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
    safefile::TBytesInMemory bytes{text_};
    const safefile::TWriteResult r = safefile::writeFile(path_, bytes);
    if (error)
        *error = r.ok() ? 0 : r.error;
    return r.ok();
}

} // namespace spelling
