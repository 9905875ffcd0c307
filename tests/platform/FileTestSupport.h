#pragma once

// Files and users for the tests of durable writes: a folder of its own, whole-file reads and
// writes, and work done as another user.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace lptest {

constexpr uid_t kOtherUser = 65534;
constexpr uid_t kThirdUser = 65533;

// A folder of its own under /tmp that every user may enter, removed with the object.
class Folder {
public:
    Folder() {
        char name[] = "/tmp/lp-safefile-XXXXXX";
        path_ = ::mkdtemp(name);
        ::chmod(path_.c_str(), 0755);
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + '/' + name; }
    const std::string& path() const { return path_; }
    // Everything in the folder, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

inline void put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline struct stat statOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st;
}

// Runs f in a child process as another user; returns f's result, or -1 when the child could not
// become that user or did not end normally.
inline int asUser(uid_t uid, const std::function<int()>& f) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(uid) != 0 || ::setuid(uid) != 0)
            ::_exit(255);
        ::_exit(f());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -1;
}

} // namespace lptest
