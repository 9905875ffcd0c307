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
