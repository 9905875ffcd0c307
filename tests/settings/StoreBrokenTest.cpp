// The settings store on a broken machine: damaged or unwritable settings files, a full disk, and
// store errors that only the Windows registry produces (through a fake backend).
#include "app/Unit1.h"
#include "platform/ErrorTexts.h"
#include "platform/Errors.h"
#include "platform/Prompts.h"
#include "platform/QtSettingsBackend.h"
#include "settings/LpIniCtrl.h"
#include "settings/LpMRUList.h"
#include "tests/support/TestEnv.h"

#include "tests/support/FakePrompts.h"
#include <QDir>
#include <QFileInfo>
#include <QLabel>

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <sys/resource.h>

namespace {

// Writes to files beyond `bytes` fail as on a full disk, for the life of the object. Nothing may
// be printed meanwhile: the test's own output may be a file too.
class DiskFull {
public:
    explicit DiskFull(rlim_t bytes) {
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limited = old_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~DiskFull() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

// Runs f and returns the message of the TLpError it throws, or "(no error)".
template <class F> QString errorOf(F f) {
    try {
        f();
    } catch (const TLpError& e) {
        return e.message();
    }
    return "(no error)";
}

class StoreBroken : public ::testing::Test {
protected:
    void SetUp() override {
        name_ = QString("StoreBroken_%1")
                    .arg(::testing::UnitTest::GetInstance()->current_test_info()->name());
        QDir(folder()).removeRecursively();
        store.Target = itRegistry;
        store.RegPath = "Software\\" + name_;
    }
    void TearDown() override {
        QFile::remove(folder());
        QDir(folder()).removeRecursively();
    }
    QString folder() const { return TQtSettingsBackend::userConfigFolder() + '/' + name_; }
    QString file() const { return folder() + '/' + name_ + ".conf"; }

    QString name_;
    TLpIniCtrl store;
};

QByteArray garbage() {
    QByteArray bytes;
    quint32 x = 12345;
    for (int i = 0; i < 4000; ++i) {
        x = x * 1103515245u + 12345u;
        bytes += char(x >> 24);
    }
    return bytes;
}

} // namespace

TEST_F(StoreBroken, GarbageFileReadsAsDefaultsAndIsReplacedByTheNextWrite) {
    ASSERT_TRUE(lptest::writeFile(file(), garbage()));
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 0), 0);
    EXPECT_TRUE(store.ReadBool("", "Assists", true));
    TFontAttributes font;
    EXPECT_FALSE(store.ReadFont("Settings", "Font", font));
    QStringList list;
    store.ReadStrings("MRUList", "H", 4, list);
    EXPECT_TRUE(list.isEmpty());

    store.WriteInteger("Settings", "Height", 480);
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 0), 480);
    TLpIniCtrl other;
    other.Target = itRegistry;
    other.RegPath = store.RegPath;
    EXPECT_EQ(other.ReadInteger("Settings", "Height", 0), 480);
    EXPECT_TRUE(QString::fromLatin1(lptest::readFile(file())).contains("[Settings]\nHeight=480\n"));
}

TEST_F(StoreBroken, DamagedLinesAreSkippedAndTheRestIsKept) {
    ASSERT_TRUE(lptest::writeFile(file(), "\x01\x02 no equals sign\n[Settings]\nHeight=480\n"
                                          "[MRUList\nH0=/a.txt\n# not a comment here\n"));
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 0), 480);
    store.WriteInteger("Settings", "Width", 640);
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 0), 480);
    EXPECT_EQ(store.ReadInteger("Settings", "Width", 0), 640);
}

TEST_F(StoreBroken, SettingsFileThatIsAFolder) {
    ASSERT_TRUE(QDir().mkpath(file()));
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 7), 7);
    // The store's message, then the file and the system's reason.
    EXPECT_EQ(errorOf([&] { store.WriteInteger("Settings", "Height", 480); }),
              errortext::dataNotSet.arg("Height") + "\n" + file() + ": Is a directory");
    EXPECT_EQ(errorOf([&] {
                  store.WriteStrings("MRUList", "H", 4, {"/a", "/b"});
              }),
              errortext::dataNotSet.arg("H0") + "\n" + file() + ": Is a directory");
    // Removing a section that is not there asks nothing of the store.
    EXPECT_EQ(errorOf([&] { store.WriteStrings("MRUList", "H", 4, {}); }), "(no error)");
    EXPECT_TRUE(QFileInfo(file()).isDir());
}

TEST_F(StoreBroken, ConfigurationFolderThatIsAFile) {
    ASSERT_TRUE(lptest::writeFile(folder(), "not a folder"));
    EXPECT_EQ(store.ReadString("Settings", "Text", "d"), "d");
    EXPECT_EQ(errorOf([&] { store.WriteString("Settings", "Text", "/x"); }),
              errortext::keyNotCreated.arg("Settings") + ".\n" + file() + ": Not a directory");
    EXPECT_EQ(errorOf([&] { store.WriteString("#ROOT", "Top", "/x"); }),
              errortext::keyNotCreated.arg("Software\\" + name_) + ".\n" + file() +
                  ": Not a directory");
    EXPECT_EQ(lptest::readFile(folder()), "not a folder");
}

TEST_F(StoreBroken, SettingsFileTargetReportsThePath) {
    lptest::TempDir dir;
    const QString path = dir.file("Settings.ini");
    ASSERT_TRUE(QDir().mkpath(path));
    TLpIniCtrl ini;
    ini.Target = itIniFile;
    ini.IniPrefix = ppFixed;
    ini.setIniFile(path);
    EXPECT_EQ(ini.ReadInteger("Settings", "Height", 3), 3);
    const QString expected = errortext::cannotWriteTo.arg(path) + ".\n" + path + ": Is a directory";
    EXPECT_EQ(errorOf([&] { ini.WriteInteger("Settings", "Height", 480); }), expected);
    EXPECT_EQ(errorOf([&] { ini.WriteStrings("MRUList", "H", 4, {"/a"}); }), expected);
}

TEST_F(StoreBroken, FullDiskKeepsTheFileAndLeavesNothingPending) {
    store.WriteInteger("Settings", "Height", 480);
    store.WriteStrings("MRUList", "H", 4, {"/pages/one.txt", "/pages/two.txt"});
    const QByteArray before = lptest::readFile(file());
    ASSERT_GT(before.size(), 64);

    QString valueError, listError, newError;
    {
        DiskFull full(64);
        valueError = errorOf([&] { store.WriteInteger("Settings", "Height", 999); });
        listError = errorOf([&] { store.WriteStrings("MRUList", "H", 4, {"/lost.txt"}); });
        newError = errorOf([&] { store.WriteString("Settings", "Text", "/lost"); });
    }
    // A message that ends in a quote takes no full stop before the reason.
    const QString why = "\n" + file() + ": File too large";
    EXPECT_EQ(valueError, errortext::dataNotSet.arg("Height") + why);
    EXPECT_EQ(listError, errortext::dataNotSet.arg("H0") + why);
    EXPECT_EQ(newError, errortext::dataNotSet.arg("Text") + why);
    EXPECT_EQ(lptest::readFile(file()), before);
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList{name_ + ".conf"});

    // What failed is nowhere: not in a read, not in the next successful write.
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 0), 480);
    EXPECT_EQ(store.ReadString("Settings", "Text", "none"), "none");
    QStringList list;
    store.ReadStrings("MRUList", "H", 4, list);
    EXPECT_EQ(list, (QStringList{"/pages/one.txt", "/pages/two.txt"}));
    store.WriteInteger("Settings", "Width", 640);
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 0), 480);
    EXPECT_EQ(store.ReadString("Settings", "Text", "none"), "none");
    const QString after = QString::fromUtf8(lptest::readFile(file()));
    EXPECT_FALSE(after.contains("999"));
    EXPECT_FALSE(after.contains("lost"));
    EXPECT_TRUE(after.contains("Width=640"));
}

TEST_F(StoreBroken, FullDiskOverADamagedFileIsReported) {
    QByteArray bytes = garbage();
    ASSERT_TRUE(lptest::writeFile(file(), bytes));
    QString error;
    {
        DiskFull full(64);
        error = errorOf([&] { store.WriteInteger("Settings", "Height", 480); });
    }
    EXPECT_EQ(error, errortext::dataNotSet.arg("Height") + "\n" + file() + ": File too large");
    EXPECT_EQ(lptest::readFile(file()), bytes);
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 0), 0);
}

namespace {

// Stands in for the Windows registry, whose values have types.
class FakeBackend : public TSettingsBackend {
public:
    std::map<QString, TSettingsText> values; ///< "group/name"
    TSettingsCommit commitResult = TSettingsCommit::ok;
    int opens = 0;
    int commits = 0;

    std::unique_ptr<TSettingsSession> open(const TSettingsLocation&) override {
        ++opens;
        return std::make_unique<Session>(*this);
    }

private:
    class Session : public TSettingsSession {
    public:
        explicit Session(FakeBackend& b) : b_(b) {}
        TSettingsText read(const QString& group, const QString& name) override {
            const auto it = b_.values.find(group + '/' + name);
            return it == b_.values.end() ? TSettingsText{} : it->second;
        }
        void write(const QString& group, const QString& name, const QString& text) override {
            b_.values[group + '/' + name] = {true, false, text};
        }
        void removeGroup(const QString&) override {}
        TSettingsCommit commit() override {
            ++b_.commits;
            return b_.commitResult;
        }
        QString where() const override { return "HKEY_CURRENT_USER\\Software\\Larkpad"; }

    private:
        FakeBackend& b_;
    };
};

} // namespace

TEST(StoreRegistryErrors, ValueOfTheWrongTypeAndStoreFailures) {
    FakeBackend fake;
    TLpIniCtrl s;
    s.Target = itRegistry;
    s.RegPath = "Software\\Larkpad";
    s.setBackend(&fake);
    fake.values["Settings/Height"] = {true, true, ""};
    EXPECT_EQ(errorOf([&] { s.ReadInteger("Settings", "Height", 0); }),
              errortext::wrongDataType.arg("Height"));
    EXPECT_EQ(errorOf([&] { s.ReadString("", "Height", ""); }),
              errortext::wrongDataType.arg("Height"));

    fake.commitResult = TSettingsCommit::groupNotCreated;
    EXPECT_EQ(errorOf([&] { s.WriteBool("Settings", "Assists", true); }),
              errortext::keyNotCreated.arg("Settings"));
    fake.commitResult = TSettingsCommit::notWritten;
    EXPECT_EQ(errorOf([&] { s.WriteBool("Settings", "Assists", true); }),
              errortext::dataNotSet.arg("Assists"));
    EXPECT_EQ(errorOf([&] { s.WriteStrings("MRUList", "H", 4, {}); }),
              errortext::cannotWriteTo.arg("HKEY_CURRENT_USER\\Software\\Larkpad"));
    s.Target = itIniFile;
    EXPECT_EQ(errorOf([&] { s.WriteBool("Settings", "Assists", true); }),
              errortext::cannotWriteTo.arg("HKEY_CURRENT_USER\\Software\\Larkpad"));
}

TEST(StoreRegistryErrors, OneOpeningPerOperationAndPerList) {
    FakeBackend fake;
    TLpIniCtrl s;
    s.setBackend(&fake);
    for (int i = 0; i < 4; ++i)
        fake.values[QString("MRUList/H%1").arg(i)] = {true, false, QString("/f%1").arg(i)};
    QStringList list;
    s.ReadStrings("MRUList", "H", 4, list);
    EXPECT_EQ(list.size(), 4);
    EXPECT_EQ(fake.opens, 1);
    s.WriteStrings("MRUList", "H", 4, list);
    EXPECT_EQ(fake.opens, 2);
    EXPECT_EQ(fake.commits, 1);
    s.ReadInteger("Settings", "Height", 0);
    s.WriteInteger("", "Height", 1);
    EXPECT_EQ(fake.opens, 4);
    EXPECT_EQ(fake.commits, 2);
}

namespace {

using RecordingPrompts = lptest::FakePrompts;

} // namespace

TEST(StoreMainWindow, DamagedSettingsDoNotStopTheStartAndCloseRepairsThem) {
    const QString folder = TQtSettingsBackend::userConfigFolder() + "/Larkpad";
    const QString path = folder + "/Larkpad.conf";
    QDir(folder).removeRecursively();
    ASSERT_TRUE(lptest::writeFile(path, garbage()));
    RecordingPrompts prompts;
    {
        TForm1 form(TForm1Services{&prompts, nullptr});
        form.show();
        EXPECT_TRUE(form.AstPic1->isChecked());
        form.close();
    }
    EXPECT_TRUE(prompts.complaints().isEmpty()) << prompts.complaints().join('\n').toStdString();
    TLpIniCtrl s;
    s.Target = itRegistry;
    s.RegPath = "Software\\Larkpad";
    EXPECT_GT(s.ReadInteger("Settings", "Height", 0), 0);
    EXPECT_TRUE(s.ReadBool("Settings", "Assists", false));
    QDir(folder).removeRecursively();
}

namespace {

// Notes whether the window was still on the screen when each error was shown.
class WindowPrompts : public lptest::FakePrompts {
public:
    QWidget* window = nullptr;
    QList<bool> windowShown;
    void applicationError(const QString& text) override {
        FakePrompts::applicationError(text);
        windowShown << (window && window->isVisible());
    }
};

} // namespace

// One box for everything the close could not store (size, switch, font, recent files), shown while
// the window is still there, naming the file and the reason; none when the window is destroyed.
TEST(StoreMainWindow, UnwritableSettingsAreReportedOnceAtCloseWhileTheWindowIsThere) {
    const QString folder = TQtSettingsBackend::userConfigFolder() + "/Larkpad";
    const QString path = TQtSettingsBackend::nativeFilePath("Software\\Larkpad");
    for (const bool folderIsAFile : {true, false}) {
        QDir(folder).removeRecursively();
        QFile::remove(folder);
        if (folderIsAFile)
            ASSERT_TRUE(lptest::writeFile(folder, "a file where the folder belongs"));
        else
            ASSERT_TRUE(QDir().mkpath(path)); // the settings file is a folder
        WindowPrompts prompts;
        {
            TForm1 form(TForm1Services{&prompts, nullptr});
            prompts.window = &form;
            form.show();
            form.MRUList1->Add("/pages/one.txt");
            form.close();
        }
        // As the error box shows them, with its closing period.
        EXPECT_EQ(prompts.errors,
                  QStringList{folderIsAFile ? errortext::keyNotCreated.arg("Settings") + ".\n" +
                                                  path + ": Not a directory."
                                            : errortext::dataNotSet.arg("Height") + "\n" + path +
                                                  ": Is a directory."});
        EXPECT_EQ(prompts.windowShown, QList<bool>{true});
    }
    QDir(folder).removeRecursively();
}

// The recent files are stored as they change; a store that refuses them gets a status note, not a
// box on every open, and the list stays whole for the close, which tells once.
TEST(StoreMainWindow, RecentFilesThatCannotBeStoredAreKeptWithANote) {
    const QString folder = TQtSettingsBackend::userConfigFolder() + "/Larkpad";
    QDir(folder).removeRecursively();
    ASSERT_TRUE(lptest::writeFile(folder, "a file where the folder belongs"));
    lptest::TempDir dir;
    const QString a = dir.file("a.txt"), b = dir.file("b.txt");
    ASSERT_TRUE(lptest::writeFile(a, "a") && lptest::writeFile(b, "b"));
    WindowPrompts prompts;
    {
        TForm1 form(TForm1Services{&prompts, nullptr});
        prompts.window = &form;
        form.show();
        form.openFromCommandLine(a);
        form.openFromCommandLine(b);
        EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join('\n').toStdString();
        EXPECT_EQ(form.StatusNote->text(), "Recent files cannot be stored");
        EXPECT_EQ(form.MRUList1->Items(), (QStringList{b, a}));
        form.close();
    }
    EXPECT_EQ(prompts.errors.size(), 1);
    QFile::remove(folder);
    QDir(folder).removeRecursively();
}
