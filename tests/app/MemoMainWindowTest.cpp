// The main window's editor colours the page markup with the editor rule set.

#include "app/Unit1.h"
#include "editor/ColMemo.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

TEST(MemoMainWindow, EditorColoursThePageMarkup) {
    TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    TColorMemo& m = *form.Clm1;
    m.SetText("^Bbold^b ^Llink^l ^Mmark^m [name] plain");
    QApplication::processEvents();
    m.viewport()->grab();
    std::vector<std::pair<int, TColor>> keys;
    for (const TKeyDescr& run : m.lastRuns())
        keys.emplace_back(run.StartPos, run.Color);
    const std::vector<std::pair<int, TColor>> expected{
        {0, colors::clBlue},    {6, colors::clBlue},    {9, colors::clGreen}, {15, colors::clGreen},
        {18, colors::clSilver}, {24, colors::clSilver}, {27, colors::clNavy}, {32, colors::clNavy}};
    EXPECT_EQ(keys, expected);
}
