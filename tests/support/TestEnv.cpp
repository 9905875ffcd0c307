#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

namespace lptest {

QString homeDir() {
    return qEnvironmentVariable("HOME");
}

TempDir::TempDir() : dir_(homeDir() + "/tmp-XXXXXX") {}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

bool rewriteKeepingTime(const QString& path, const QByteArray& bytes) {
    const QByteArray name = QFile::encodeName(path);
    struct stat before {};
    if (::stat(name.constData(), &before) != 0)
        return false;
    // The file system's clock moves in steps of a few milliseconds: written again until the change
    // time shows it, as any write a little later would.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        if (!writeFile(path, bytes))
            return false;
        const timespec times[2] = {before.st_atim, before.st_mtim};
        struct stat after {};
        if (::utimensat(AT_FDCWD, name.constData(), times, 0) != 0 ||
            ::stat(name.constData(), &after) != 0)
            return false;
        if (after.st_ctim.tv_sec != before.st_ctim.tv_sec ||
            after.st_ctim.tv_nsec != before.st_ctim.tv_nsec)
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

} // namespace lptest
