#include "document/PageText.h"
#include "document/core/Cp1252.h"
#include "editor/ColMemo.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

TEST(CodePage, EveryByteRoundTrips) {
    std::string bytes(256, '\0');
    for (int i = 0; i < 256; ++i)
        bytes[size_t(i)] = char(i);
    std::u16string text(256, u'\0');
    cp1252::decode(bytes.data(), bytes.size(), text.data());
    EXPECT_EQ(text[0x80], u'\u20AC');
    EXPECT_EQ(text[0x9F], u'\u0178');
    EXPECT_EQ(text[0xE9], u'\u00E9');
    std::string back(256, '\0');
    EXPECT_EQ(cp1252::encode(text.data(), text.size(), back.data()), 0u);
    EXPECT_EQ(back, bytes);
}

TEST(CodePage, CharactersOutsideThePageBecomeQuestionMarks) {
    const std::u16string text = u"a\u4E2D\u03A9b";
    std::string out(text.size(), '\0');
    EXPECT_EQ(cp1252::encode(text.data(), text.size(), out.data()), 2u);
    EXPECT_EQ(out, "a??b");
    EXPECT_FALSE(cp1252::isEncodable(u'\u2028'));
    EXPECT_TRUE(cp1252::isEncodable(u'\u2122'));
}

TEST(CodePage, EnteringTextKeepsOnlyPageCharactersAndProperBreaks) {
    EXPECT_EQ(toPageText(QString::fromUtf8("caf\u00e9 \u20ac \u4e2d")),
              QString::fromUtf8("caf\u00e9 \u20ac ?"));
    EXPECT_EQ(toPageText(QString::fromUtf16(u"a\r\nb\rc\u2028d\u2029e\nf")), "a\nb\nc\nd\ne\nf");
    // A character outside the basic plane is one "?", not two.
    EXPECT_EQ(toPageText(QString::fromUtf8("x\xF0\x9F\x98\x80y")), "x?y");
}

// Pasted typography the page lacks: what reads the same becomes that page character, the rest "?"
// and is counted; the entered text and the page bytes agree.
TEST(CodePage, CloseEquivalentsReplaceMissingCharactersAndOnlyTheRestIsCounted) {
    const QString pasted =
        QString::fromUtf16(u"10\u202F000 \u2212 5\u2026 \u2192 x\U0001F600y \u2010");
    int lost = -1;
    const QString page = toPageText(pasted, &lost);
    EXPECT_EQ(page, QString::fromUtf16(u"10\u00A0000 - 5\u2026 ? x?y -"));
    EXPECT_EQ(lost, 2);
    EXPECT_EQ(pagetext::toBytes(pasted), pagetext::toBytes(page));
    EXPECT_EQ(pagetext::toBytes(QStringView(u"\u2212")), "-");

    toPageText(QStringLiteral("plain"), &lost);
    EXPECT_EQ(lost, 0);
    // The table only ever gives page characters, and nothing that already has a page byte.
    for (char16_t ch = 1; ch < 0xFFFF; ++ch) {
        const char16_t close = pagetext::closeEquivalent(ch);
        if (!close)
            continue;
        EXPECT_FALSE(cp1252::isEncodable(ch)) << int(ch);
        EXPECT_TRUE(cp1252::isEncodable(close)) << int(ch);
    }
}
