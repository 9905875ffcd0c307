#include "spelling/core/Dictionary.h"

#include <nuspell/dictionary.hxx>

#include "platform/core/SafeFile.h"

#include <cerrno>
#include <filesystem>
#include <istream>
#include <sstream>
#include <unistd.h>

namespace spelling {

namespace {

class TNuspellDictionary : public TDictionary {
public:
    nuspell::Dictionary dictionary;

    bool spell(std::string_view word) const override { return dictionary.spell(word); }
    std::vector<std::string> suggest(std::string_view word) const override {
        std::vector<std::string> out;
        dictionary.suggest(word, out);
        return out;
    }
};

// The bytes of a regular file; throws TDictionaryError naming the file and the reason.
std::string readWhole(const std::string& path) {
    const safefile::TOpenResult opened = safefile::openForReading(path);
    if (opened.fd < 0)
        throw TDictionaryError(path + ": " +
                               (opened.error
                                    ? safefile::reasonOf(opened.error)
                                    : std::string("it is ") + safefile::kindName(opened.kind) +
                                          ", not a regular file"));
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(opened.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(opened.fd);
            throw TDictionaryError(path + ": " + safefile::reasonOf(error));
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(opened.fd);
    return bytes;
}

} // namespace

std::unique_ptr<TDictionary> loadDictionary(const std::string& affPath) {
    // Both files are read from descriptors opened without waiting: a named pipe put in place of
    // one of them after the folders were searched must not hold the loading thread for good.
    std::filesystem::path dicPath(affPath);
    dicPath.replace_extension(".dic");
    std::istringstream aff(readWhole(affPath));
    std::istringstream dic(readWhole(dicPath.string()));
    auto d = std::make_unique<TNuspellDictionary>();
    try {
        d->dictionary.load_aff_dic(aff, dic);
    } catch (const std::exception& e) {
        throw TDictionaryError(affPath + ": " + e.what());
    }
    return d;
}

std::unique_ptr<TDictionary> loadDictionary(std::istream& aff, std::istream& dic) {
    auto d = std::make_unique<TNuspellDictionary>();
    try {
        d->dictionary.load_aff_dic(aff, dic);
    } catch (const std::exception& e) {
        throw TDictionaryError(e.what());
    }
    return d;
}

} // namespace spelling
