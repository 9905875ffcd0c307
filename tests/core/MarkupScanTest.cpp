#include "markup/core/MarkupScan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using markup::TPiece;
using markup::TPieceKind;

// The pieces in a short notation: T"text", O<pair>[number], C<pair>, U"^q", A"=...", V"[x]", N.
std::string pieces(std::string_view page, int from = 0, markup::TScanState state = {}) {
    markup::TMarkupScanner scan(page, from, state);
    std::string out;
    TPiece p;
    int expected = from;
    while (scan.next(p)) {
        EXPECT_EQ(p.offset, expected) << page;
        expected = p.offset + p.length;
        const std::string text(
            page.substr(static_cast<std::size_t>(p.offset), static_cast<std::size_t>(p.length)));
        if (!out.empty())
            out += ' ';
        switch (p.kind) {
        case TPieceKind::Text:
            out += "T\"" + text + "\"";
            break;
        case TPieceKind::Open:
            out += "O" +
                   std::string(
                       markup::kCaretCodes[static_cast<std::size_t>(p.pair)].opening.substr(1, 1));
            if (markup::takesNumber(p.pair))
                out += std::to_string(p.number) + "/" + std::to_string(p.numberLength);
            break;
        case TPieceKind::Close:
            out += "C" +
                   std::string(
                       markup::kCaretCodes[static_cast<std::size_t>(p.pair)].closing.substr(1, 1));
            break;
        case TPieceKind::Unknown:
            out += "U\"" + text + "\"";
            break;
        case TPieceKind::Action:
            out += "A\"" + text + "\"";
            break;
        case TPieceKind::Variable:
            out += "V\"" + text + "\"";
            break;
        case TPieceKind::LineBreak:
            out += "N";
            break;
        }
    }
    EXPECT_EQ(expected, static_cast<int>(page.size())) << page;
    return out;
}

TEST(MarkupScan, ReadsEveryKindOfPiece) {
    const struct {
        const char* page;
        const char* expected;
    } cases[] = {
        {"", ""},
        {"plain", "T\"plain\""},
        {"^BHello^b world", "OB T\"Hello\" Cb T\" world\""},
        {"^P15 apples^p", "OP15/2 T\" apples\" Cp"},
        {"^P15apples", "OP15/2 T\"apples\""},
        {"^F^f", "OF-1/0 Cf"},
        {"^T8x^t", "OT8/1 T\"x\" Ct"},
        {"^Q^q^", "U\"^Q\" U\"^q\" T\"^\""},
        {"^1 a^", "T\"^1 a\" T\"^\""},
        {"[name] [x [y] ]", "V\"[name]\" T\" \" T\"[x \" V\"[y]\" T\" ]\""},
        {"[a^Bb]", "T\"[a\" OB T\"b]\""},
        {"a=b", "T\"a\" T\"=b\""},
        {"^LGo=:Target^l after", "OL T\"Go\" A\"=:Target\" Cl T\" after\""},
        {"^LGo=^l", "OL T\"Go\" A\"=\" Cl"},
        {"^L^P4Go^p=GotoPage \"[x] ^B\"^l", "OL OP4/1 T\"Go\" Cp A\"=GotoPage \"[x] ^B\"\" Cl"},
        {"^LGo^l=x", "OL T\"Go\" Cl T\"=x\""},
        {"^LGo=a\r\nb^lc", "OL T\"Go\" A\"=a\" N A\"b\" Cl T\"c\""},
        {"^LGo=a\r\n^l", "OL T\"Go\" A\"=a\" N Cl"},
        {"^LGo=never closed\nx", "OL T\"Go\" A\"=never closed\" N A\"x\""},
        {"a\rb\n", "T\"a\" T\"\rb\" N"},
        {"^MPlace^m", "OM T\"Place\" Cm"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pieces(c.page), c.expected) << c.page;
}

TEST(MarkupScan, ResumesAtALineWithTheStateItEndedIn) {
    const std::string page = "x ^LGo=GotoPage\r\n\"2\"^l [v]\r\n^LA\r\n=b^l";
    markup::TMarkupScanner whole(page);
    TPiece p;
    std::vector<std::pair<int, markup::TScanState>> lineStarts{{0, {}}};
    while (whole.next(p))
        if (p.kind == TPieceKind::LineBreak)
            lineStarts.push_back({whole.position(), whole.state()});
    ASSERT_EQ(lineStarts.size(), 4u);
    EXPECT_TRUE(lineStarts[1].second.inAction);
    EXPECT_EQ(lineStarts[3].second.linksAwaitingAction, 1);
    EXPECT_EQ(pieces(page, lineStarts[1].first, lineStarts[1].second),
              "A\"\"2\"\" Cl T\" \" V\"[v]\" N OL T\"A\" N A\"=b\" Cl");
}

} // namespace
