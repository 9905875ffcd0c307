// The settings store against the real per-user store (a file under the test's own
// XDG_CONFIG_HOME) and against a settings file.
#include "platform/ErrorTexts.h"
#include "platform/Errors.h"
#include "platform/QtSettingsBackend.h"
#include "settings/LpIniCtrl.h"
#include "tests/support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

// A store configured as the main window configures its own, under a key of its own per test.
class StoreRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        name_ = QString("StoreTest_%1")
                    .arg(::testing::UnitTest::GetInstance()->current_test_info()->name());
        QDir(folder()).removeRecursively();
        configure(store);
    }
    void TearDown() override { QDir(folder()).removeRecursively(); }

    void configure(TLpIniCtrl& s) const {
        s.Target = itRegistry;
        s.RegPath = "Software\\" + name_;
        s.setIniFile("Settings.ini");
        s.IniPrefix = ppProgram;
    }
    QString folder() const { return TQtSettingsBackend::userConfigFolder() + '/' + name_; }
    QString file() const { return folder() + '/' + name_ + ".conf"; }
    QString fileText() const { return QString::fromUtf8(lptest::readFile(file())); }

    QString name_;
    TLpIniCtrl store;
};

} // namespace

TEST(StoreLocation, NativeFileFollowsTheKeyPath) {
    const QString config = TQtSettingsBackend::userConfigFolder();
    EXPECT_EQ(config, qEnvironmentVariable("XDG_CONFIG_HOME"));
    EXPECT_EQ(TQtSettingsBackend::nativeFilePath("Software\\Larkpad\\"),
              config + "/Larkpad/Larkpad.conf");
    EXPECT_EQ(TQtSettingsBackend::nativeFilePath("software\\Maker\\Product"),
              config + "/Maker/Product.conf");
    EXPECT_EQ(TQtSettingsBackend::nativeFilePath("Larkpad"), config + "/Larkpad/Larkpad.conf");
    // Nothing in the key path leads out of the configuration folder.
    EXPECT_EQ(TQtSettingsBackend::nativeFilePath("Software\\..\\..\\etc/passwd"),
              config + "/_/_/etc_passwd.conf");

    TLpIniCtrl s;
    EXPECT_EQ(s.storeKeyPath(), "Software\\" + QCoreApplication::applicationName() + "\\");
    s.RegPath = "Software\\Larkpad";
    EXPECT_EQ(s.storeKeyPath(), "Software\\Larkpad\\");
    EXPECT_EQ(s.location().rootKey, "HKEY_CURRENT_USER");
    EXPECT_FALSE(s.location().iniFile);
}

TEST_F(StoreRegistry, FirstStartGivesDefaultsAndWritesNothing) {
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 0), 0);
    EXPECT_EQ(store.ReadInteger("", "Width", 0), 0);
    EXPECT_TRUE(store.ReadBool("", "Assists", true));
    EXPECT_EQ(store.ReadString("", "Text", ""), "");
    TFontAttributes font;
    EXPECT_FALSE(store.ReadFont("Settings", "Font", font));
    EXPECT_EQ(font, TFontAttributes{});
    QStringList list{"stale"};
    store.ReadStrings("MRUList", "H", 4, list);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(file()));
}

TEST_F(StoreRegistry, ValuesAreStoredAsTextInTheirSection) {
    store.WriteInteger("Settings", "Height", 480);
    store.WriteInteger("", "Width", -12);
    store.WriteBool("", "Assists", false);
    store.WriteFont("Settings", "Font", TFontAttributes{});
    store.WriteString("Settings", "Text", "/home/author/pages");
    const QString text = fileText();
    EXPECT_TRUE(text.startsWith("[Settings]\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nHeight=480\n"));
    EXPECT_TRUE(text.contains("\nWidth=-12\n"));
    EXPECT_TRUE(text.contains("\nAssists=0\n"));
    EXPECT_TRUE(text.contains("\nFont=\"MS Sans Serif,8,clWindowText,0,0,0,0\"\n"));

    EXPECT_EQ(store.ReadInteger("Settings", "Height", 0), 480);
    EXPECT_EQ(store.ReadInteger("Settings", "Width", 0), -12);
    EXPECT_FALSE(store.ReadBool("Settings", "Assists", true));
    EXPECT_EQ(store.ReadString("Settings", "Text", "x"), "/home/author/pages");

    // A value needs a name.
    try {
        store.WriteString("Settings", "", "x");
        FAIL() << "a value without a name must be refused";
    } catch (const TLpError& e) {
        EXPECT_EQ(e.message(), errortext::dataNotSet.arg(""));
    }
    EXPECT_EQ(store.ReadString("Settings", "", "none"), "none");
}

TEST_F(StoreRegistry, TextsComeBackExactly) {
    const QStringList texts = {
        "",      "  two blanks  ", "a,b;c=d", "@Variant(1)", "#hash", "[Section]", "C:\\Pages\\",
        "\"q\"", "é ü ß €",        "tab\tx",  "two\nlines",  "%41",   "\\x41",
    };
    for (int i = 0; i < texts.size(); ++i)
        store.WriteString("Settings", QString("T%1").arg(i), texts[i]);
    for (int i = 0; i < texts.size(); ++i)
        EXPECT_EQ(store.ReadString("Settings", QString("T%1").arg(i), "default"), texts[i]) << i;
}

TEST_F(StoreRegistry, IntegersAndFlagsReadWithTheirDefaults) {
    store.WriteString("Settings", "Height", "abc");
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 0), 0);
    store.WriteString("Settings", "Height", "");
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 7), 7);
    store.WriteString("Settings", "Height", " 0x1E0");
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 0), 480);
    store.WriteString("Settings", "Height", "4294967296");
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 5), 5);

    store.WriteString("Settings", "Assists", "2");
    EXPECT_TRUE(store.ReadBool("Settings", "Assists", false));
    store.WriteString("Settings", "Assists", "0");
    EXPECT_FALSE(store.ReadBool("Settings", "Assists", true));
    store.WriteString("Settings", "Assists", "yes");
    EXPECT_TRUE(store.ReadBool("Settings", "Assists", true));
    EXPECT_FALSE(store.ReadBool("Settings", "Assists", false));
    EXPECT_TRUE(store.ReadBool("Settings", "Missing", true));
}

TEST_F(StoreRegistry, FontStrings) {
    TFontAttributes initial;
    initial.name = "DejaVu Sans";
    initial.size = 9;
    initial.underline = true;

    TFontAttributes font = initial;
    store.WriteString("Settings", "Font", "Arial,12");
    EXPECT_TRUE(store.ReadFont("Settings", "Font", font));
    EXPECT_EQ(font, initial);

    // A face name with "," no longer gives seven fields.
    TFontAttributes comma = initial;
    comma.name = "Face, Bold";
    store.WriteFont("Settings", "Font", comma);
    font = initial;
    EXPECT_TRUE(store.ReadFont("Settings", "Font", font));
    EXPECT_EQ(font, initial);

    store.WriteString("Settings", "Font", "Arial,x,clred,1,0,0,0");
    EXPECT_TRUE(store.ReadFont("Settings", "Font", font));
    EXPECT_EQ(font.name, "Arial");
    EXPECT_EQ(font.size, 10);
    EXPECT_EQ(font.color, colors::clRed);
    EXPECT_TRUE(font.bold);
    EXPECT_FALSE(font.underline);

    store.WriteString("Settings", "Font", "Arial,12,$000000FF,0,1,0,0,");
    font = initial;
    EXPECT_TRUE(store.ReadFont("Settings", "Font", font));
    EXPECT_EQ(font.color, colors::clRed);
    EXPECT_TRUE(font.italic);
    EXPECT_FALSE(font.underline);

    store.WriteString("Settings", "Font", "Arial,12,pink,0,0,0,0");
    font = initial;
    try {
        store.ReadFont("Settings", "Font", font);
        FAIL() << "an unknown colour must fail";
    } catch (const TLpError& e) {
        EXPECT_EQ(e.message(), errortext::notAnInteger.arg("pink"));
    }
    EXPECT_EQ(font.name, "Arial");
    EXPECT_EQ(font.size, 12);
    EXPECT_EQ(font.color, initial.color);
    EXPECT_TRUE(font.underline);

    store.WriteString("Settings", "Font", "");
    font = initial;
    EXPECT_FALSE(store.ReadFont("Settings", "Font", font));
    EXPECT_EQ(font, initial);
}

TEST_F(StoreRegistry, FontRoundTrip) {
    TFontAttributes f;
    f.name = "Liberation Mono";
    f.size = 13;
    f.color = 0x00123456;
    f.bold = f.italic = f.underline = f.strikeOut = true;
    store.WriteFont("Settings", "Font", f);
    TFontAttributes back;
    EXPECT_TRUE(store.ReadFont("Settings", "Font", back));
    EXPECT_EQ(back, f);
    f.color = colors::clBtnFace;
    f.bold = f.strikeOut = false;
    store.WriteFont("Settings", "Font", f);
    EXPECT_TRUE(store.ReadFont("Settings", "Font", back));
    EXPECT_EQ(back, f);
}

TEST_F(StoreRegistry, HandWrittenValuesWithCommasRead) {
    ASSERT_TRUE(lptest::writeFile(file(), "[Settings]\nFont=Arial,12,clRed,0,0,1,0\n"
                                          "Height=0x1E0\n"));
    TFontAttributes font;
    EXPECT_TRUE(store.ReadFont("Settings", "Font", font));
    EXPECT_EQ(font.name, "Arial");
    EXPECT_EQ(font.color, colors::clRed);
    EXPECT_TRUE(font.underline);
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 0), 480);
}

TEST_F(StoreRegistry, SectionResolution) {
    // A blank section before any named one is "Common".
    store.WriteString(" ", "A", "common");
    EXPECT_EQ(store.rememberedSection(), "");
    EXPECT_EQ(store.ReadString("Common", "A", ""), "common");
    EXPECT_EQ(store.rememberedSection(), "Common");

    store.ReadInteger("Settings", "Height", 0);
    store.WriteString("", "B", "settings");
    store.WriteString("\t", "C", "settings");
    EXPECT_EQ(store.rememberedSection(), "Settings");
    EXPECT_EQ(store.ReadString("Settings", "B", ""), "settings");
    EXPECT_EQ(store.ReadString("Settings", "C", ""), "settings");

    // "#ROOT" is the store key itself, and leaves no section to remember.
    store.WriteString("#ROOT", "Top", "root");
    EXPECT_EQ(store.rememberedSection(), "");
    EXPECT_TRUE(fileText().startsWith("[General]\nTop=root\n")) << fileText().toStdString();
    EXPECT_EQ(store.ReadString("", "Top", "none"), "none");
    EXPECT_EQ(store.ReadString("#ROOT", "Top", ""), "root");
    store.WriteString("", "D", "common again");
    EXPECT_EQ(store.ReadString("Common", "D", ""), "common again");
    // A section name is used as given.
    EXPECT_EQ(store.ReadString("#root", "Top", "none"), "none");
    EXPECT_EQ(store.ReadString(" Settings", "B", "none"), "none");
}

TEST_F(StoreRegistry, ListsOfTexts) {
    const QStringList six = {"/a/one.txt",  "/a/two.txt",  "/a/three.txt",
                             "/a/four.txt", "/a/five.txt", "/a/six.txt"};
    store.WriteStrings("MRUList", "H", 4, six);
    QStringList back;
    store.ReadStrings("MRUList", "H", 255, back);
    EXPECT_EQ(back, six.mid(0, 4));
    EXPECT_EQ(store.ReadString("MRUList", "H4", "none"), "none");
    store.ReadStrings("MRUList", "H", 2, back);
    EXPECT_EQ(back, six.mid(0, 2));
    store.ReadStrings("MRUList", "H", -3, back);
    EXPECT_TRUE(back.isEmpty());

    // The section is replaced as a whole.
    store.WriteString("MRUList", "Other", "x");
    store.WriteStrings("MRUList", "H", 4, {"/b/new.txt"});
    store.ReadStrings("MRUList", "H", 4, back);
    EXPECT_EQ(back, QStringList{"/b/new.txt"});
    EXPECT_EQ(store.ReadString("MRUList", "H1", "none"), "none");
    EXPECT_EQ(store.ReadString("MRUList", "Other", "none"), "none");

    // An empty list leaves no section at all; other sections stay.
    store.WriteInteger("Settings", "Height", 480);
    store.WriteStrings("MRUList", "H", 4, {});
    EXPECT_FALSE(fileText().contains("MRUList"));
    store.ReadStrings("MRUList", "H", 4, back);
    EXPECT_TRUE(back.isEmpty());
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 0), 480);

    // The list ends at the first missing or empty entry.
    store.WriteString("MRUList", "H1", "/c/second.txt");
    store.ReadStrings("MRUList", "H", 4, back);
    EXPECT_TRUE(back.isEmpty());
    store.WriteStrings("MRUList", "H", 4, {"/d/1", "", "/d/3"});
    store.ReadStrings("MRUList", "H", 4, back);
    EXPECT_EQ(back, QStringList{"/d/1"});
}

TEST_F(StoreRegistry, LetterCounters) {
    store.setAlphaCounter(true);
    QStringList many;
    for (int i = 0; i < 40; ++i)
        many << QString("entry %1").arg(i);
    // Letters stop at "Z" whatever the count.
    store.WriteStrings("List", "K", 255, many);
    EXPECT_EQ(store.ReadString("List", "KA", ""), "entry 0");
    EXPECT_EQ(store.ReadString("List", "KZ", ""), "entry 25");
    QStringList back;
    store.ReadStrings("List", "K", 255, back);
    EXPECT_EQ(back, many.mid(0, 26));
    EXPECT_FALSE(fileText().contains("K0"));
    EXPECT_FALSE(fileText().contains("K["));
}

TEST_F(StoreRegistry, ListAtTheTopLevelKeepsTheSections) {
    store.WriteInteger("Settings", "Height", 480);
    store.WriteString("#ROOT", "Stray", "x");
    store.WriteStrings("#ROOT", "R", 4, {"one", "two"});
    QStringList back;
    store.ReadStrings("#ROOT", "R", 4, back);
    EXPECT_EQ(back, (QStringList{"one", "two"}));
    EXPECT_EQ(store.ReadString("#ROOT", "Stray", "gone"), "gone");
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 0), 480);
}

TEST_F(StoreRegistry, TwoInstancesSeeEachOtherAtOnce) {
    TLpIniCtrl other;
    configure(other);
    store.WriteInteger("Settings", "Height", 480);
    EXPECT_EQ(other.ReadInteger("Settings", "Height", 0), 480);
    other.WriteInteger("Settings", "Height", 600);
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 0), 600);
    other.WriteStrings("MRUList", "H", 4, {"/x/a.txt", "/x/b.txt"});
    QStringList back;
    store.ReadStrings("MRUList", "H", 4, back);
    EXPECT_EQ(back.size(), 2);
    // The later write wins, also when both instances wrote different values before.
    store.WriteString("Settings", "Text", "/first");
    other.WriteString("Settings", "Text", "/second");
    EXPECT_EQ(store.ReadString("Settings", "Text", ""), "/second");
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 0), 600);

    // A change made behind the store's back (another program) is seen too. The store notices a
    // change by the file's size and time; a same-size rewrite within the same millisecond as our
    // own write would go unseen, so this one changes the size.
    const QString text = fileText().replace("Height=600", "Height=6010");
    ASSERT_TRUE(lptest::writeFile(file(), text.toUtf8()));
    EXPECT_EQ(store.ReadInteger("Settings", "Height", 0), 6010);
}

TEST(StoreOptions, MaxEntries) {
    TLpIniCtrl s;
    EXPECT_EQ(s.maxEntries(), 16);
    EXPECT_FALSE(s.alphaCounter());
    s.setMaxEntries(255);
    EXPECT_EQ(s.maxEntries(), 255);
    s.setMaxEntries(256);
    s.setMaxEntries(-1);
    EXPECT_EQ(s.maxEntries(), 255);
    s.setAlphaCounter(true);
    EXPECT_EQ(s.maxEntries(), 26);
    s.setMaxEntries(27);
    EXPECT_EQ(s.maxEntries(), 26);
    s.setMaxEntries(3);
    EXPECT_EQ(s.maxEntries(), 3);
    s.setAlphaCounter(false);
    s.setMaxEntries(100);
    EXPECT_EQ(s.maxEntries(), 100);
    // Switching back lowers it too.
    s.setAlphaCounter(true);
    s.setMaxEntries(20);
    s.setAlphaCounter(false);
    EXPECT_EQ(s.maxEntries(), 20);
    s.setMaxEntries(200);
    s.setAlphaCounter(true);
    EXPECT_EQ(s.maxEntries(), 26);
}

TEST(StoreIniFile, FilePath) {
    TLpIniCtrl s;
    s.Target = itIniFile;
    const QString program = QCoreApplication::applicationDirPath();
    const QString config = TQtSettingsBackend::userConfigFolder();
    s.IniPrefix = ppProgram;
    s.setIniFile("Settings");
    EXPECT_EQ(s.iniFile(), "Settings.INI");
    EXPECT_EQ(s.iniPath(), program + "/Settings.INI");
    s.setIniFile("elsewhere/Settings.ini");
    EXPECT_EQ(s.iniPath(), program + "/Settings.ini");
    s.IniPrefix = ppWindows;
    EXPECT_EQ(s.iniPath(), config + "/Settings.ini");
    s.IniPrefix = ppSystem;
    EXPECT_EQ(s.iniPath(), config + "/Settings.ini");
    s.IniPrefix = ppFixed;
    EXPECT_EQ(s.iniPath(), "elsewhere/Settings.ini");
    s.setIniFile("");
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    EXPECT_EQ(s.iniPath(), exe.path() + '/' + exe.completeBaseName() + ".INI");
    s.IniPrefix = ppProgram;
    EXPECT_EQ(s.iniPath(), program + '/' + exe.completeBaseName() + ".INI");
    EXPECT_TRUE(s.location().iniFile);
    EXPECT_EQ(s.location().path, s.iniPath());
}

TEST(StoreIniFile, SectionsAndValues) {
    lptest::TempDir dir;
    const QString path = dir.file("conf/Settings.ini");
    TLpIniCtrl s;
    s.Target = itIniFile;
    s.IniPrefix = ppFixed;
    s.setIniFile(path);
    s.WriteInteger("Settings", "Height", 480);
    s.WriteStrings("MRUList", "H", 4, {"/p/a.txt", "/p/b.txt"});
    // "#ROOT" is an ordinary section name in a file.
    s.WriteString("#ROOT", "Top", "t");
    const QString text = QString::fromUtf8(lptest::readFile(path));
    EXPECT_TRUE(text.contains("[Settings]\nHeight=480\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("[MRUList]\nH0=/p/a.txt\nH1=/p/b.txt\n"));
    EXPECT_FALSE(text.contains("[General]"));
    EXPECT_EQ(s.rememberedSection(), "#ROOT");
    EXPECT_EQ(s.ReadString("", "Top", ""), "t");

    // Sections of one user.
    s.Common = false;
    s.User = "bob";
    s.WriteInteger("Settings", "Height", 300);
    EXPECT_EQ(s.rememberedSection(), "bob.Settings");
    s.WriteInteger("", "Width", 200);
    EXPECT_EQ(s.ReadInteger("bob.Settings", "Width", 0),
              0); // qualified once more: bob.bob.Settings
    EXPECT_EQ(s.ReadInteger("", "Width", 0), 0);
    EXPECT_EQ(s.ReadInteger("Settings", "Width", 0), 200);
    EXPECT_EQ(s.ReadInteger("Settings", "Height", 0), 300);
    s.NetUser = true;
    s.WriteString("Settings", "Who", "me");
    EXPECT_EQ(s.rememberedSection(), TQtSettingsBackend::userName() + ".Settings");
    s.Common = true;
    EXPECT_EQ(s.ReadInteger("Settings", "Height", 0), 480);
    EXPECT_EQ(s.ReadInteger("bob.Settings", "Height", 0), 300);
}
