// Page files: the byte codec, loading and saving real files, and saving when the disk fails.

#include "app/Unit1.h"
#include "document/PageDocument.h"
#include "document/PageFiles.h"
#include "document/core/PageFile.h"
#include "editor/ColMemo.h"
#include "platform/DiskStamps.h"
#include "platform/ErrorTexts.h"
#include "platform/Errors.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace {

QString decoded(const QByteArray& bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    out.truncate(qsizetype(pagefile::decode(bytes.constData(), size_t(bytes.size()),
                                            reinterpret_cast<char16_t*>(out.data()))));
    return out;
}

QByteArray encoded(const QString& text, size_t* replaced = nullptr) {
    const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
    QByteArray out(qsizetype(pagefile::encodedSize(units, size_t(text.size()))), '#');
    const size_t r = pagefile::encode(units, size_t(text.size()), out.data());
    if (replaced)
        *replaced = r;
    return out;
}

// Every byte value a page can hold apart from the line breaks: 1 to 255 without CR and LF.
QByteArray all253Bytes() {
    QByteArray bytes;
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != '\n')
            bytes += char(b);
    return bytes;
}

QString errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const TLpError& e) {
        return e.message();
    }
    return {};
}

// ---------------------------------------------------------------------------------------------
// The codec

TEST(DocumentCodec, LoneCrAndLoneLfAndCrLfAreEachOneLineBreak) {
    EXPECT_EQ(decoded("a\nb"), "a\nb");
    EXPECT_EQ(decoded("a\rb"), "a\nb");
    EXPECT_EQ(decoded("a\r\nb"), "a\nb");
    EXPECT_EQ(decoded("a\n\rb"), "a\n\nb"); // LF CR is two breaks
    EXPECT_EQ(decoded("\r\r\n\n"), "\n\n\n");
    EXPECT_EQ(decoded("end\r"), "end\n");
    EXPECT_EQ(decoded(""), "");
}

TEST(DocumentCodec, EveryLineBreakIsWrittenAsCrLfAndNothingIsAdded) {
    EXPECT_EQ(encoded(QString("a") + QChar(0x2029) + "b"), "a\r\nb");
    EXPECT_EQ(encoded("a\nb\r\nc\rd"), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(encoded(QString("x") + QChar(0x2028)), "x\r\n");
    EXPECT_EQ(encoded("last"), "last");
    EXPECT_EQ(encoded("\r"), "\r\n");
    EXPECT_EQ(encoded(""), "");
}

TEST(DocumentCodec, CharactersWithoutAPageByteBecomeOneQuestionMarkEach) {
    size_t replaced = 0;
    EXPECT_EQ(encoded(QString::fromUtf8("€ 😀 Ω é"), &replaced), "\x80 ? ? \xE9");
    EXPECT_EQ(replaced, 2u);
    EXPECT_EQ(encoded(QString(QChar(0xD800)) + "x", &replaced), "?x"); // a lone surrogate
}

TEST(DocumentCodec, All253ByteValuesRoundTrip) {
    const QByteArray bytes = all253Bytes();
    ASSERT_EQ(bytes.size(), 253);
    const QString text = decoded(bytes);
    EXPECT_EQ(text.size(), 253);
    EXPECT_EQ(encoded(text), bytes);
}

TEST(DocumentCodec, TextEndsAtTheFirstZeroByte) {
    const auto none = pagefile::textExtent("abc", 3);
    EXPECT_EQ(none.length, 3u);
    EXPECT_FALSE(none.cutAtZero);
    const auto cut = pagefile::textExtent("ab\0c\0", 5);
    EXPECT_EQ(cut.length, 2u);
    EXPECT_TRUE(cut.cutAtZero);
    EXPECT_TRUE(pagefile::textExtent("\0", 1).cutAtZero);
}

// ---------------------------------------------------------------------------------------------
// Loading and saving real files

class DocumentPageFiles : public ::testing::Test {
protected:
    QString page(const QString& name, const QByteArray& bytes) {
        const QString path = dir.file(name);
        EXPECT_TRUE(lptest::writeFile(path, bytes));
        return path;
    }
    QStringList entries() const {
        return QDir(dir.path())
            .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden | QDir::System);
    }
    lptest::TempDir dir;
};

TEST_F(DocumentPageFiles, LoadTurnsLoneBreaksIntoLinesAndSaveWritesCrLf) {
    const QString path = page("mixed.txt", "lf\ncr\rcrlf\r\nend");
    const TPageText loaded = loadPageFile(path);
    EXPECT_EQ(loaded.text, "lf\ncr\ncrlf\nend");
    EXPECT_EQ(loaded.zeroOffset, -1);
    savePageFile(path, loaded.text);
    EXPECT_EQ(lptest::readFile(path), "lf\r\ncr\r\ncrlf\r\nend");
}

TEST_F(DocumentPageFiles, ZeroByteEndsTheText) {
    EXPECT_EQ(loadPageFile(page("z.txt", QByteArray("ab\0cd", 5))).zeroOffset, 2);
    const TPageText first = loadPageFile(page("z0.txt", QByteArray("\0cd", 3)));
    EXPECT_EQ(first.text, "");
    EXPECT_EQ(first.zeroOffset, 0);
}

// Large files are read in pieces: a CR LF pair or a zero byte may sit across any boundary.
TEST_F(DocumentPageFiles, BreaksAndZeroBytesNearPieceBoundariesOfALargeFile) {
    for (const qsizetype at : {(1 << 20) - 2, (1 << 20) - 1, (1 << 20), (2 << 20) - 1}) {
        const QByteArray head(at, 'a');
        const TPageText crlf = loadPageFile(page("crlf.txt", head + "\r\nb\r"));
        EXPECT_EQ(crlf.text, QString(head) + "\nb\n") << at;
        const TPageText cr = loadPageFile(page("cr.txt", head + "\rb"));
        EXPECT_EQ(cr.text, QString(head) + "\nb") << at;
        const TPageText zero = loadPageFile(page("zero.txt", head + "\r" + QByteArray(1, 0) + "b"));
        EXPECT_EQ(zero.text, QString(head) + "\n") << at;
        EXPECT_EQ(zero.zeroOffset, at + 1) << at;
    }
}

TEST_F(DocumentPageFiles, FilesThatCannotBeReadGiveTheOpenError) {
    const QString missing = dir.file("missing.txt");
    EXPECT_EQ(errorOf([&] { loadPageFile(missing); }),
              errortext::cannotOpenFile.arg(missing) + ".\nNo such file or directory");
    EXPECT_EQ(errorOf([&] { loadPageFile(dir.path()); }),
              errortext::cannotOpenFile.arg(dir.path()) + ".\nIt is a folder, not a regular file");
    // Opens, then fails on the first read.
    EXPECT_EQ(errorOf([&] { loadPageFile("/proc/self/mem"); }),
              errortext::cannotOpenFile.arg("/proc/self/mem") + ".\nInput/output error");
}

TEST_F(DocumentPageFiles, TextLongerThanTheCapacityIsRefused) {
    const QString path = page("huge.txt", QByteArray(qsizetype(pagefile::kCapacity) + 1, 'a'));
    EXPECT_EQ(errorOf([&] { loadPageFile(path); }), errortext::memoCapacityExceeded);
}

TEST_F(DocumentPageFiles, SavingIntoAFolderOrAMissingFolderGivesTheCreateError) {
    const QString folder = dir.file("folder.txt");
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_EQ(errorOf([&] { savePageFile(folder, "x"); }),
              errortext::cannotCreateFile.arg(folder) +
                  ".\nIt is a folder, not a regular file; nothing was written");
    const QString inside = dir.file("missing/page.txt");
    EXPECT_EQ(errorOf([&] { savePageFile(inside, "x"); }),
              errortext::cannotCreateFile.arg(inside) + ".\nNo such file or directory");
    EXPECT_EQ(entries(), QStringList{"folder.txt"}); // nothing left behind
}

TEST_F(DocumentPageFiles, SavingThroughALinkReplacesTheLinkedFileAndKeepsItsPermissions) {
    const QString target = page("target.txt", "old");
    ASSERT_TRUE(
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QString link = dir.file("link.txt");
    ASSERT_TRUE(QFile::link(target, link));
    savePageFile(link, "new");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), target);
    EXPECT_EQ(lptest::readFile(target), "new");
    EXPECT_EQ(QFile::permissions(target) & 0x7077,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_EQ(entries().size(), 2);
}

// The real editor in between: every byte value survives open and save.
TEST_F(DocumentPageFiles, All253ByteValuesSurviveOpenAndSave) {
    lptest::FakePrompts prompts{/*strictScript=*/true};
    lptest::FakeDialogs dialogs{/*strictScript=*/true};
    TForm1 form(TForm1Services{&prompts, &dialogs});
    const QByteArray bytes = all253Bytes() + "\r\n" + all253Bytes() + "\r\n\r\n";
    const QString path = page("bytes.txt", bytes);
    dialogs.openChoices = {path};
    form.OpenBut->trigger();
    ASSERT_EQ(form.StatusPanel1->text(), path);
    form.Clm1->SetModified(true);
    form.SaveBut->trigger();
    EXPECT_TRUE(prompts.errors.isEmpty());
    EXPECT_EQ(lptest::readFile(path), bytes);
}

// Save reads the editor's document a block at a time into pieces of about a megabyte: lines that
// cross pieces, a line longer than a piece, empty lines and the last line come back exactly, with
// lone CRs and LFs written as CR LF, whether the file is replaced or (with a second name) written
// in place.
TEST_F(DocumentPageFiles, ALargePageOfManyBlocksIsSavedByteForByte) {
    const QByteArray breaks[] = {"\r\n", "\r", "\n", "\r\n\r\n"};
    QByteArray bytes, expected;
    for (int i = 0; bytes.size() < (3 << 20); ++i) {
        const QByteArray line = i % 997 == 5 ? QByteArray(1500 * 1000, char(0x80 + i % 128))
                                             : all253Bytes().mid(i % 253) + QByteArray::number(i);
        bytes += line + breaks[i % 4];
        expected += line + (i % 4 == 3 ? "\r\n\r\n" : "\r\n");
    }
    bytes += "last";
    expected += "last";
    const QString path = page("large.txt", bytes);
    TPageDocument document;
    document.setPageText(loadPageFile(path).text);
    ASSERT_GT(document.lineCount(), 1000);
    // The stamp made on the way out is the one that reading the file back gives.
    const TFileStamp saved = savePageFile(path, document);
    EXPECT_EQ(saved, readFileStamp(path));
    EXPECT_TRUE(lptest::readFile(path) == expected);
    EXPECT_EQ(entries(), QStringList{"large.txt"});

    const QString other = dir.file("other.txt");
    ASSERT_EQ(::link(QFile::encodeName(path), QFile::encodeName(other)), 0);
    document.setPageText(document.pageText().replace("last", "end"));
    savePageFile(path, document);
    expected.chop(4);
    EXPECT_TRUE(lptest::readFile(other) == expected + "end");

    TPageDocument empty;
    savePageFile(path, empty);
    EXPECT_EQ(lptest::readFile(other), "");
}

// ---------------------------------------------------------------------------------------------
// Files that are not plain pages, through the window: a named pipe named on the command line, a
// device among the recent files, a page with two names, a page of another user.

class DocumentOddFiles : public DocumentPageFiles {
protected:
    DocumentOddFiles() : form(TForm1Services{&prompts, &dialogs}) {}
    lptest::FakePrompts prompts{/*strictScript=*/true};
    lptest::FakeDialogs dialogs{/*strictScript=*/true};
    TForm1 form;
};

// A named pipe opens at once with an error, whoever might write to it. A watchdog opens the other
// end after a while, so that a regression fails instead of hanging the run.
TEST_F(DocumentOddFiles, ANamedPipeIsRefusedWithoutWaiting) {
    const QString fifo = dir.file("pipe.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo), 0644), 0);
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 50 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100)); // watchdog: ends a hang
        if (!done)
            ::close(::open(QFile::encodeName(fifo), O_WRONLY | O_NONBLOCK));
    });
    form.openFromCommandLine(fifo);
    done = true;
    watchdog.join();
    EXPECT_EQ(prompts.errors, QStringList{errortext::cannotOpenFile.arg(fifo) +
                                          ".\nIt is a named pipe (FIFO), not a regular file."});
    EXPECT_EQ(form.StatusPanel1->text(), "Untitled");
}

// A device among the recent files is refused before it is read, and saving over it writes nothing.
TEST_F(DocumentOddFiles, ADeviceIsNeitherOpenedNorReplaced) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a device node needs root";
    const QString device = dir.file("zero");
    ASSERT_EQ(::mknod(QFile::encodeName(device), S_IFCHR | 0666, makedev(1, 5)), 0);
    bool remove = false;
    form.MRUList1Click(device, remove);
    EXPECT_EQ(prompts.errors, QStringList{errortext::cannotOpenFile.arg(device) +
                                          ".\nIt is a character device, not a regular file."});
    EXPECT_EQ(form.StatusPanel1->text(), "Untitled");

    prompts.errors.clear();
    form.Clm1->SetText("typed");
    form.Clm1->SetModified(true);
    dialogs.saveChoices = {device};
    form.SaveAsBut->trigger();
    EXPECT_EQ(prompts.errors,
              QStringList{errortext::cannotCreateFile.arg(device) +
                          ".\nIt is a character device, not a regular file; nothing was written."});
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(device), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_TRUE(form.Clm1->Modified());
    EXPECT_EQ(entries(), QStringList{"zero"});
}

// Saved by root, a page of another user keeps its owner and group; a page with a second name
// keeps it, and both names show the saved text.
TEST_F(DocumentOddFiles, SavingKeepsTheOwnerAndTheOtherNames) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a page to another user needs root";
    const QString path = page("theirs.txt", "old");
    const QString other = dir.file("second name.txt");
    ASSERT_EQ(::chown(QFile::encodeName(path), 65534, 65534), 0);
    for (const bool linked : {false, true}) {
        if (linked) {
            ASSERT_EQ(::link(QFile::encodeName(path), QFile::encodeName(other)), 0);
        }
        dialogs.openChoices = {path};
        form.OpenBut->trigger();
        const QString text = linked ? "saved with two names" : "saved by root";
        form.Clm1->SetText(text);
        form.Clm1->SetModified(true);
        form.SaveBut->trigger();
        EXPECT_TRUE(prompts.errors.isEmpty()) << linked;
        EXPECT_EQ(lptest::readFile(path), text.toLatin1());
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(path), &st), 0);
        EXPECT_EQ(st.st_uid, 65534u) << linked;
        EXPECT_EQ(st.st_gid, 65534u) << linked;
    }
    EXPECT_EQ(lptest::readFile(other), "saved with two names");
    EXPECT_EQ(entries(), (QStringList{"second name.txt", "theirs.txt"}));
}

// ---------------------------------------------------------------------------------------------
// Saving when the disk fails: the previous file stays byte for byte, the document stays changed
// and the author is told. Page sizes around the file buffer's 16 KiB.

class DocumentDiskFull : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { form = std::make_unique<TForm1>(TForm1Services{&prompts, &dialogs}); }

    // Opens the previous page, then gives the editor a page of size bytes and saves it.
    void saveOver(const QString& path, int size) {
        dialogs.openChoices = {path};
        form->OpenBut->trigger();
        ASSERT_EQ(form->StatusPanel1->text(), path);
        form->Clm1->SetText(QString(size, 'x'));
        form->Clm1->SetModified(true);
        form->SaveBut->trigger();
    }
    // The error names the file and the system's reason.
    void expectFailedSave(const QString& path, const QByteArray& previous, const QString& reason) {
        EXPECT_EQ(prompts.errors, QStringList{errortext::streamWriteError + ".\n" + path + ": " +
                                              reason + ". The file keeps its previous text."});
        EXPECT_EQ(lptest::readFile(path), previous);
        EXPECT_TRUE(form->Clm1->Modified());
        EXPECT_EQ(form->StatusPanel1->text(), path);
    }

    lptest::FakePrompts prompts{/*strictScript=*/true};
    lptest::FakeDialogs dialogs{/*strictScript=*/true};
    std::unique_ptr<TForm1> form;
    lptest::TempDir dir;
};

// A 64 KiB memory file system, filled up.
class SmallDisk {
public:
    explicit SmallDisk(const QString& path) : path_(path) {
        QDir().mkpath(path);
        mounted_ = ::mount("tmpfs", path.toLocal8Bit().constData(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallDisk() {
        if (mounted_)
            ::umount2(path_.toLocal8Bit().constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    // Writes a filler file until no byte fits any more.
    bool fill() {
        const int fd =
            ::open((path_ + "/filler").toLocal8Bit().constData(), O_WRONLY | O_CREAT, 0600);
        if (fd < 0)
            return false;
        const char block[512] = {};
        while (::write(fd, block, sizeof block) > 0) {
        }
        const bool full = errno == ENOSPC;
        ::close(fd);
        return full;
    }

private:
    QString path_;
    bool mounted_ = false;
};

TEST_P(DocumentDiskFull, FullDiskLeavesThePreviousFile) {
    SmallDisk disk(dir.file("disk"));
    if (!disk.mounted())
        GTEST_SKIP() << "no small file system can be mounted here";
    const QByteArray previous = "previous page\r\nkept";
    const QString path = dir.file("disk/page.txt");
    ASSERT_TRUE(lptest::writeFile(path, previous));
    ASSERT_TRUE(disk.fill());
    saveOver(path, GetParam());
    expectFailedSave(path, previous, "No space left on device");
    EXPECT_EQ(QDir(dir.file("disk")).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"filler", "page.txt"}));
}

// A page with a second name is written in place: on a full disk a text that needs more room than
// the old one has is refused, and both names keep the previous text; one that fits is saved.
TEST_P(DocumentDiskFull, FullDiskLeavesAHardLinkedPageAsItWas) {
    SmallDisk disk(dir.file("disk"));
    if (!disk.mounted())
        GTEST_SKIP() << "no small file system can be mounted here";
    const QByteArray previous = "previous page\r\nkept";
    const QString path = dir.file("disk/page.txt");
    const QString other = dir.file("disk/other name.txt");
    ASSERT_TRUE(lptest::writeFile(path, previous));
    ASSERT_EQ(::link(QFile::encodeName(path), QFile::encodeName(other)), 0);
    ASSERT_TRUE(disk.fill());
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path), &st), 0);
    saveOver(path, GetParam());
    if (GetParam() <= st.st_blocks * 512) {
        EXPECT_TRUE(prompts.errors.isEmpty());
        EXPECT_EQ(lptest::readFile(other), QByteArray(GetParam(), 'x'));
    } else {
        expectFailedSave(path, previous, "No space left on device");
        EXPECT_EQ(lptest::readFile(other), previous);
    }
    EXPECT_EQ(QDir(dir.file("disk")).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"filler", "other name.txt", "page.txt"}));
}

// A file size limit makes the same fault without a mount: the write stops short of the end.
TEST_P(DocumentDiskFull, FileSizeLimitLeavesThePreviousFile) {
    const int size = GetParam();
    const QByteArray previous = "previous page";
    const QString path = dir.file("page.txt");
    ASSERT_TRUE(lptest::writeFile(path, previous));
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit limited = old;
    limited.rlim_cur = rlim_t(size - 1);
    if (old.rlim_max != RLIM_INFINITY && old.rlim_max < limited.rlim_cur)
        GTEST_SKIP() << "the file size limit cannot be set";
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    saveOver(path, size);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    expectFailedSave(path, previous, "File too large");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"page.txt"});
    // With room again the same command saves.
    prompts.errors.clear();
    form->SaveBut->trigger();
    EXPECT_TRUE(prompts.errors.isEmpty());
    EXPECT_EQ(lptest::readFile(path), QByteArray(size, 'x'));
    EXPECT_FALSE(form->Clm1->Modified());
}

INSTANTIATE_TEST_SUITE_P(DocumentPageSizes, DocumentDiskFull,
                         ::testing::Values(1, 4096, 16384, 16385));

} // namespace
