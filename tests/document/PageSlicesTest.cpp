// A page read a slice at a time gives its bytes exactly as read at once, wherever the slices end:
// inside a CR LF, inside a long line kept as display blocks, at a page character beyond ASCII.
#include "document/PageDocument.h"
#include "document/PageSlices.h"

#include <gtest/gtest.h>

TEST(PageSlices, SlicesMakeThePageBytes) {
    QString longLine;
    for (int i = 0; longLine.size() < TPageDocument::longLine() * 3 + 5; ++i)
        longLine += QChar(u'a' + i % 26);
    const QString pages[] = {
        "",
        "one line",
        "a\nb\r\nc\n\n",
        QString("caf") + QChar(0xE9) + "\n^MCh" + QChar(0x20AC) + "^m\n" + longLine + "\nend",
        longLine + "\n" + longLine,
    };
    for (const QString& text : pages) {
        TPageDocument page;
        page.setPageText(text);
        const std::string whole = page.pageBytes();
        for (qsizetype slice : {qsizetype(1), qsizetype(3), qsizetype(7), qsizetype(1) << 16}) {
            TPageSlices slices(page);
            std::string bytes;
            int turns = 0;
            while (slices.next(bytes, slice))
                ++turns;
            EXPECT_TRUE(slices.done());
            EXPECT_FALSE(slices.next(bytes, slice));
            EXPECT_EQ(bytes, whole) << "slice " << slice << " of " << text.left(20).toStdString();
        }
    }
}
