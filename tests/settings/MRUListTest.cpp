#include "app/Unit1.h"
#include "platform/Errors.h"
#include "platform/Prompts.h"
#include "settings/LpIniCtrl.h"
#include "settings/LpMRUList.h"
#include "settings/SettingsKeys.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestEnv.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A window with a File menu holding "&Récents", and the list configured as the program does.
struct MruFixture : ::testing::Test {
    QMainWindow window;
    QMenu* file = nullptr;
    QMenu* recents = nullptr;
    TLpIniCtrl store;
    lptest::FakePrompts prompts = [] {
        lptest::FakePrompts p;
        p.yesNo = true;
        p.otherwise = TAnswer::Cancel;
        return p;
    }();
    std::unique_ptr<TLpMRUList> list;

    void SetUp() override {
        window.setObjectName("Form1");
        file = new QMenu("&File", &window);
        recents = file->addMenu("&Récents");
        store.Target = itRegistry;
        store.RegPath = "Software\\Larkpad";
        store.WriteStrings("MRUList", "H", 4, {});
        list = std::make_unique<TLpMRUList>(&window);
        list->Options = moShowAccel | moSubIfEmpty | moSubClearOption;
        list->IniLink = &store;
        list->IniUse = ioUseLink;
        list->SetSection("MRUList");
        list->Prompts = &prompts;
        list->SetStyle(msCreateSubMenu);
        list->SetMenuItem(recents->menuAction());
    }

    QStringList captions() const {
        QStringList c;
        for (QAction* a : recents->actions())
            c << (a->isSeparator() ? QString("-") : a->text());
        return c;
    }
    TLpMRUItem* item(int i) const { return qobject_cast<TLpMRUItem*>(recents->actions().at(i)); }
};

} // namespace

TEST_F(MruFixture, EmptyListShowsDisabledPlaceholderInEnabledSubmenu) {
    EXPECT_EQ(captions(), QStringList{"(vide)"});
    EXPECT_FALSE(recents->actions().first()->isEnabled());
    EXPECT_TRUE(recents->menuAction()->isEnabled());

    list->Options = moShowAccel;
    list->RebuildMenu();
    EXPECT_TRUE(recents->actions().isEmpty());
    EXPECT_FALSE(recents->menuAction()->isEnabled());
}

TEST_F(MruFixture, FifthFileGoesOnTopAndTheOldestLeaves) {
    for (const char* p : {"/p/a.txt", "/p/b.txt", "/p/c.txt", "/p/d.txt"})
        list->Add(p);
    EXPECT_EQ(captions(), (QStringList{"&1 /p/d.txt", "&2 /p/c.txt", "&3 /p/b.txt", "&4 /p/a.txt",
                                       "-", "Clear List..."}));
    list->Add("/p/e.txt");
    EXPECT_EQ(list->Items(), (QStringList{"/p/e.txt", "/p/d.txt", "/p/c.txt", "/p/b.txt"}));
    EXPECT_EQ(recents->actions().last()->toolTip(), "Clear recent files list");
}

TEST_F(MruFixture, SpellingsInOtherCaseAreOneEntryOnlyWhenTheyNameTheSameFile) {
    lptest::TempDir dir;
    ASSERT_TRUE(lptest::writeFile(dir.file("intro.txt"), "a"));
    const bool caseSensitive = !QFileInfo::exists(dir.file("INTRO.TXT"));
    list->Add(dir.file("intro.txt"));
    list->Add(dir.file("other.txt"));
    list->Add(dir.file("INTRO.TXT"));
    if (caseSensitive) {
        // Another file: both stay, the newest on top.
        EXPECT_EQ(list->Items(), (QStringList{dir.file("INTRO.TXT"), dir.file("other.txt"),
                                              dir.file("intro.txt")}));
    } else {
        // The same file: one entry, moved to the top, in the spelling it was first added with.
        EXPECT_EQ(list->Items(), (QStringList{dir.file("intro.txt"), dir.file("other.txt")}));
    }
    list->Add(dir.file("other.txt"));
    EXPECT_EQ(list->Items().first(), dir.file("other.txt"));
    const int count = list->Items().size();
    list->Add("   ");
    list->Add("");
    EXPECT_EQ(list->Items().size(), count);
}

TEST_F(MruFixture, ClickRemovesWhenAskedElseMovesToTop) {
    list->Add("/p/gone.txt");
    list->Add("/p/kept.txt");
    QString seen;
    list->OnClick = [&](QAction*, const QString& v, bool& remove) {
        seen = v;
        remove = v.contains("gone");
    };
    item(1)->trigger(); // "&2 /p/gone.txt"
    EXPECT_EQ(seen, "/p/gone.txt");
    EXPECT_EQ(list->Items(), QStringList{"/p/kept.txt"});

    list->Add("/p/second.txt");
    item(1)->trigger(); // kept, answered with anything but remove: goes to the top
    EXPECT_EQ(list->Items(), (QStringList{"/p/kept.txt", "/p/second.txt"}));

    list->Shared = true;
    item(1)->trigger();
    EXPECT_EQ(list->Items(), (QStringList{"/p/kept.txt", "/p/second.txt"}));
}

TEST_F(MruFixture, RemovingTheOnlyEntryLeavesThePlaceholder) {
    list->Add("/p/gone.txt");
    list->OnClick = [](QAction*, const QString&, bool& remove) { remove = true; };
    item(0)->trigger();
    // The clicked item was replaced while its own click ran; it goes once the loop is back.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(captions(), QStringList{"(vide)"});
}

TEST_F(MruFixture, ClearListAsksAndOnlyYesClears) {
    list->Add("/p/a.txt");
    int notified = 0;
    list->OnClearListClick = [&] { ++notified; };
    prompts.yesNo = false;
    recents->actions().last()->trigger();
    EXPECT_EQ(prompts.questions.last(), "Really clear recent files list?");
    EXPECT_EQ(list->Items().size(), 1);
    prompts.yesNo = true;
    recents->actions().last()->trigger();
    EXPECT_TRUE(list->Items().isEmpty());
    EXPECT_EQ(captions(), QStringList{"(vide)"});
    EXPECT_EQ(notified, 2);
}

TEST_F(MruFixture, CaptionsUseLettersFromTheTenthEntryAndShortenByMaxLength) {
    list->SetMaxEntries(12);
    for (int i = 0; i < 11; ++i)
        list->Add(QString("/p/f%1.txt").arg(i));
    EXPECT_EQ(list->Caption(8), "&9 /p/f2.txt");
    EXPECT_EQ(list->Caption(9), "&A /p/f1.txt");
    EXPECT_EQ(list->Caption(10), "&B /p/f0.txt");

    list->Add("/home/ann/books/chapter one/pages/intro & more.txt");
    EXPECT_EQ(list->Caption(0), "&1 /home/ann/books/chapter one/pages/intro && more.txt");
    list->SetMaxLength(30);
    const QString shortened = list->Caption(0).mid(3);
    EXPECT_LE(shortened.size(), 31); // one more for the doubled ampersand
    EXPECT_TRUE(shortened.startsWith("/home/..."));
    EXPECT_TRUE(shortened.endsWith("/intro && more.txt"));
    list->SetMaxLength(12);
    EXPECT_EQ(list->Caption(0), "&1 intro && more.txt");

    list->SetMaxEntries(2);
    EXPECT_EQ(list->Items().size(), 2);
}

TEST_F(MruFixture, AfterAndBeforeStylesInsertIntoTheParentMenu) {
    QAction* anchor = file->addAction("Anchor");
    QAction* last = file->addAction("Last");
    list->SetMenuItem(anchor);
    list->SetStyle(msAfterItem);
    list->Add("/p/a.txt");
    QList<QAction*> all = file->actions();
    const int at = all.indexOf(anchor);
    EXPECT_TRUE(all[at + 1]->isSeparator());
    EXPECT_EQ(all[at + 2]->text(), "&1 /p/a.txt");
    EXPECT_TRUE(all[at + 3]->isSeparator());
    EXPECT_EQ(all[at + 4], last);

    list->SetStyle(msBeforeItem);
    all = file->actions();
    EXPECT_EQ(all[all.indexOf(anchor) - 2]->text(), "&1 /p/a.txt");
}

TEST(MRUOwner, AnOwnerThatIsNotAWindowIsRefused) {
    QObject notAForm;
    try {
        TLpMRUList list(&notAForm);
        FAIL() << "created";
    } catch (const TLpError& e) {
        EXPECT_EQ(e.message(), "TLpMRUList\rInvalid Owner (<>TForm)");
    }
}

TEST_F(MruFixture, StoredListLoadsAsStoredAndSavesOnlyItsEntries) {
    store.WriteString("MRUList", "H0", "/p/zero.txt");
    store.WriteString("MRUList", "H1", "/p/one.txt");
    store.WriteString("MRUList", "H2", "/P/ONE.TXT");
    store.WriteString("MRUList", "H3", "/p/three.txt");
    store.WriteString("MRUList", "H4", "/p/four.txt");
    list->LoadFromStore();
    EXPECT_EQ(list->Items(),
              (QStringList{"/p/zero.txt", "/p/one.txt", "/P/ONE.TXT", "/p/three.txt"}));
    list->SaveToStore();
    EXPECT_EQ(store.ReadString("MRUList", "H4", "none"), "none");

    list->Clear();
    list->SaveToStore();
    QStringList back{"x"};
    store.ReadStrings("MRUList", "H", 4, back);
    EXPECT_TRUE(back.isEmpty());

    store.WriteString("MRUList", "H1", "/p/one.txt");
    list->LoadFromStore();
    EXPECT_TRUE(list->Items().isEmpty()); // H0 missing: the list ends there
}

// Stored as it changes: each change once, and nothing when the entries stay as they are (the
// store may hold another window's list meanwhile).
TEST_F(MruFixture, WithSaveOnChangeEachChangeIsStoredAtOnce) {
    auto stored = [this] {
        QStringList l;
        store.ReadStrings("MRUList", "H", 4, l);
        return l;
    };
    list->SaveOnChange = true;
    list->Add("/p/a.txt");
    list->Add("/p/b.txt");
    EXPECT_EQ(stored(), (QStringList{"/p/b.txt", "/p/a.txt"}));
    list->Delete("/p/b.txt");
    EXPECT_EQ(stored(), QStringList{"/p/a.txt"});
    list->Add("/p/c.txt");
    list->SetMaxEntries(1);
    EXPECT_EQ(stored(), QStringList{"/p/c.txt"});
    list->SetMaxEntries(4);

    store.WriteStrings("MRUList", "H", 4, {"/elsewhere.txt"});
    list->Add("/p/c.txt"); // on top already
    list->Delete("/p/none.txt");
    EXPECT_EQ(stored(), QStringList{"/elsewhere.txt"});
    list->LoadFromStore();
    EXPECT_EQ(stored(), QStringList{"/elsewhere.txt"});

    list->ClearItemClick();
    EXPECT_TRUE(stored().isEmpty());
}

TEST(MRUWindow, TheListSurvivesARestart) {
    {
        TForm1 first;
        first.MRUList1->Clear();
    }
    {
        TForm1 form;
        form.MRUList1->Add("/p/a.txt");
        form.MRUList1->Add("/p/b.txt");
    }
    TForm1 again;
    EXPECT_EQ(again.MRUList1->Items(), (QStringList{"/p/b.txt", "/p/a.txt"}));
    EXPECT_EQ(again.Recents->actions().first()->text(), "&1 /p/b.txt");
}

namespace {

QStringList storedRecentFiles() {
    TLpIniCtrl store;
    store.Target = itRegistry;
    store.RegPath = "Software\\Larkpad";
    QStringList stored;
    store.ReadStrings(settingsKeys::kRecentFilesSection, "H", 4, stored);
    return stored;
}

} // namespace

// The list is stored as soon as a page is opened: a run that is killed before its close still
// leaves its pages listed for the next one.
TEST(MRUWindow, OpenedPagesAreStoredAtOnce) {
    lptest::TempDir dir;
    const QString a = dir.file("a.txt"), b = dir.file("b.txt");
    ASSERT_TRUE(lptest::writeFile(a, "a") && lptest::writeFile(b, "b"));
    {
        TForm1 first;
        first.MRUList1->Clear();
    }
    TForm1 killed; // never closed nor destroyed before the next start reads the store
    killed.openFromCommandLine(a);
    killed.openFromCommandLine(b);
    EXPECT_EQ(storedRecentFiles(), (QStringList{b, a}));
    TForm1 next;
    EXPECT_EQ(next.MRUList1->Items(), (QStringList{b, a}));
}

// Two windows at once: each stores its own list as it changes, and the one closed last wins.
TEST(MRUWindow, TheWindowClosedLastWins) {
    {
        TForm1 first;
        first.MRUList1->Clear();
    }
    for (const bool firstClosesLast : {true, false}) {
        auto one = std::make_unique<TForm1>();
        auto two = std::make_unique<TForm1>();
        one->MRUList1->Clear();
        two->MRUList1->Clear();
        one->MRUList1->Add("/p/one.txt");
        two->MRUList1->Add("/p/two.txt");
        EXPECT_EQ(storedRecentFiles(), QStringList{"/p/two.txt"});
        if (firstClosesLast)
            std::swap(one, two);
        ASSERT_TRUE(one->close());
        ASSERT_TRUE(two->close());
        const QStringList last = two->MRUList1->Items();
        one.reset();
        two.reset();
        EXPECT_EQ(storedRecentFiles(), last) << firstClosesLast;
    }
}
