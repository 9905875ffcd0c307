// Text encodings of the settings store: integers, fonts, list counters, file names.
#include "platform/ErrorTexts.h"
#include "platform/Errors.h"
#include "settings/IniValues.h"

#include <gtest/gtest.h>

#include <climits>

using namespace inivalues;

TEST(StoreValues, IntegerSyntax) {
    const struct {
        const char* text;
        std::optional<std::int32_t> value;
    } cases[] = {
        {"480", 480},
        {"-12", -12},
        {"+7", 7},
        {" 0x1E0", 480},
        {"\t 0X1e0", 480},
        {"$1E0", 480},
        {"x1f", 31},
        {"X1F", 31},
        {"-$10", -16},
        {"+0x10", 16},
        {"0", 0},
        {"00012", 12},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"$FFFFFFFF", -1},
        {"$80000008", std::int32_t(0x80000008u)},
        {"$000000000000FF", 255},
        // Not integers.
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"abc", std::nullopt},
        {"480 ", std::nullopt},
        {"4 80", std::nullopt},
        {"1e3", std::nullopt},
        {"0x", std::nullopt},
        {"$", std::nullopt},
        {"-", std::nullopt},
        {"--1", std::nullopt},
        {"+-1", std::nullopt},
        {"$-1", std::nullopt},
        {"0x0x1", std::nullopt},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"$100000000", std::nullopt},
        {"$G", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseInteger(QString::fromUtf8(c.text)), c.value) << '"' << c.text << '"';
    // Digits of other scripts are not decimal digits here.
    EXPECT_EQ(parseInteger(QString::fromUtf8("\u0661\u0662")), std::nullopt);
    EXPECT_EQ(parseInteger(QString::fromUtf8("\uFF11")), std::nullopt);
}

TEST(StoreValues, FontString) {
    EXPECT_EQ(fontToString(TFontAttributes{}), "MS Sans Serif,8,clWindowText,0,0,0,0");
    TFontAttributes f;
    f.name = "Courier New";
    f.size = 12;
    f.color = 0x00123456;
    f.bold = f.strikeOut = true;
    EXPECT_EQ(fontToString(f), "Courier New,12,$00123456,1,0,0,1");
    f.color = 0x80000019; // a system colour without a name
    f.bold = f.strikeOut = false;
    f.italic = f.underline = true;
    EXPECT_EQ(fontToString(f), "Courier New,12,$80000019,0,1,1,0");
    f.color = colors::clNone;
    EXPECT_EQ(fontToString(f), "Courier New,12,clNone,0,1,1,0");
}

TEST(StoreValues, FieldSplitting) {
    EXPECT_EQ(splitFields("a,b,c"), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(splitFields("a,b,"), (QStringList{"a", "b"}));
    EXPECT_EQ(splitFields("a,,b"), (QStringList{"a", "", "b"}));
    EXPECT_EQ(splitFields("a,,"), (QStringList{"a", ""}));
    EXPECT_EQ(splitFields(","), (QStringList{""}));
    EXPECT_EQ(splitFields("a"), (QStringList{"a"}));
}

TEST(StoreValues, FontFieldsSetInOrderAndStopAtTheBadOne) {
    TFontAttributes f;
    f.italic = true;
    applyFontFields(splitFields("Arial,x,clred,1,0,0,0"), f);
    EXPECT_EQ(f.name, "Arial");
    EXPECT_EQ(f.size, 10);
    EXPECT_EQ(f.color, colors::clRed);
    EXPECT_TRUE(f.bold);
    EXPECT_FALSE(f.italic);

    // Only the lowest 8 bits of a style field count.
    applyFontFields(splitFields("Arial,9,$00FF00,256,257,0x100,-1"), f);
    EXPECT_EQ(f.color, colors::clLime);
    EXPECT_FALSE(f.bold);
    EXPECT_TRUE(f.italic);
    EXPECT_FALSE(f.underline);
    EXPECT_TRUE(f.strikeOut);

    TFontAttributes g;
    try {
        applyFontFields(splitFields("Times,14,CLBLUE,1,oui,1,1"), g);
        FAIL() << "a style field that is no integer must fail";
    } catch (const TLpError& e) {
        EXPECT_EQ(e.message(), errortext::notAnInteger.arg("oui"));
    }
    EXPECT_EQ(g.name, "Times");
    EXPECT_EQ(g.size, 14);
    EXPECT_EQ(g.color, colors::clBlue);
    EXPECT_TRUE(g.bold);
    EXPECT_FALSE(g.underline);
}

TEST(StoreValues, CountersAndIniExtension) {
    EXPECT_EQ(counterName("H", 0, false), "H0");
    EXPECT_EQ(counterName("H", 12, false), "H12");
    EXPECT_EQ(counterName("H", 0, true), "HA");
    EXPECT_EQ(counterName("H", 25, true), "HZ");

    EXPECT_EQ(withIniExtension("Settings"), "Settings.INI");
    EXPECT_EQ(withIniExtension("Settings.ini"), "Settings.ini");
    EXPECT_EQ(withIniExtension("conf.d/Settings"), "conf.d/Settings.INI");
    EXPECT_EQ(withIniExtension("C:\\conf.d\\Settings"), "C:\\conf.d\\Settings.INI");
    EXPECT_EQ(withIniExtension(""), "");
}
