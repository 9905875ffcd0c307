#pragma once

#include <QString>
#include <QTemporaryDir>

namespace lptest {

// The temporary home of this test program: HOME and XDG_CONFIG_HOME point inside it, so no test
// reads or writes the user's own settings or files.
QString homeDir();

// A fresh temporary folder for one test, removed with the object.
class TempDir {
public:
    TempDir();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

// Writes bytes to a file, creating folders as needed; returns false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);
// Writes bytes over an existing file as a copy that keeps times does (cp -p): the file keeps its
// modification time to the nanosecond. It first waits a few clock ticks, so that the write's
// change time is not the one of the file's last write (the file system's clock moves in ticks of
// a few milliseconds). Returns false on failure.
bool rewriteKeepingTime(const QString& path, const QByteArray& bytes);

} // namespace lptest

#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '{';
    for (const QString& s : l)
        *os << " \"" << s.toStdString() << '"';
    *os << " }";
}
