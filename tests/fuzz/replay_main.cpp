// Runs a fuzz target once on each file named on the command line, or on each file of a folder so
// named, without libFuzzer: the test builds replay the committed seeds and every input kept from a
// crash. A target that finds a fault traps or aborts, and so ends this program with that signal.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

namespace {

bool readFile(const fs::path& path, std::vector<char>& bytes) {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Collects the files given, a folder's in name order so that every run replays in the same order.
bool collect(const fs::path& arg, std::vector<fs::path>& files) {
    std::error_code ec;
    if (fs::is_regular_file(arg, ec)) {
        files.push_back(arg);
        return true;
    }
    if (!fs::is_directory(arg, ec)) {
        std::fprintf(stderr, "%s: no such file or folder\n", arg.c_str());
        return false;
    }
    std::vector<fs::path> found;
    for (const fs::directory_entry& e : fs::directory_iterator(arg, ec))
        if (e.is_regular_file())
            found.push_back(e.path());
    if (ec) {
        std::fprintf(stderr, "%s: %s\n", arg.c_str(), ec.message().c_str());
        return false;
    }
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i)
        if (!collect(argv[i], files))
            return 1;
    if (files.empty()) {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER... (with at least one input)\n", argv[0]);
        return 1;
    }
    for (const fs::path& path : files) {
        std::vector<char> bytes;
        if (!readFile(path, bytes)) {
            std::fprintf(stderr, "%s: cannot be read\n", path.c_str());
            return 1;
        }
        // Named before it runs: a crash leaves this line as the last one.
        std::fprintf(stderr, "%s (%zu bytes)\n", path.c_str(), bytes.size());
        std::fflush(stderr);
        // A buffer of exactly the input's size, as libFuzzer passes it, so that the address
        // sanitizer sees a read past its end.
        const std::unique_ptr<std::uint8_t[]> data(new std::uint8_t[bytes.size()]);
        std::copy(bytes.begin(), bytes.end(), data.get());
        LLVMFuzzerTestOneInput(data.get(), bytes.size());
    }
    std::fprintf(stderr, "%zu inputs replayed\n", files.size());
    return 0;
}
