// The page preview written as a PDF file and read back: the text without a single code, page after
// page, with its title; a cancel leaves nothing behind.

#include "document/PageDocument.h"
#include "markup/PreviewDocument.h"
#include "platform/Printing.h"
#include "tests/platform/PdfTools.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextDocument>
#include <gtest/gtest.h>

using lptest::PdfPrintService;
using lptest::runTool;

namespace {

bool havePoppler() {
    return !QStandardPaths::findExecutable("pdftotext").isEmpty() &&
           !QStandardPaths::findExecutable("pdfinfo").isEmpty();
}

} // namespace

TEST(PreviewPdf, HoldsTheTextWithoutItsCodesOnAsManyPagesAsItTakes) {
    if (!havePoppler())
        GTEST_SKIP() << "poppler-utils is not installed";
    lptest::TempDir dir;
    QString text = "^CA ^F20title^f^c\n^BHello^b world, ^P4blue^p and ^LGo=GotoPage \"2\"^l\n";
    for (int k = 0; k < 120; ++k)
        text += QString("Line %1 with ^Ibold^i [name] ^Qcode\n").arg(k);
    TPageDocument page;
    page.setPageText(text);
    // Written whole, whether the preview shows or not.
    TPreviewDocument preview(page);
    QTextDocument styled;
    ASSERT_TRUE(preview.writePage(styled));

    PdfPrintService service;
    service.file = dir.file("printer.pdf");
    std::size_t pages = 0;
    service.onProgress = [&](std::size_t done, std::size_t total) {
        pages = total;
        return done <= total;
    };
    const QString out = dir.file("preview.pdf");
    ASSERT_TRUE(service.exportDocumentPdf(out, "page.txt", styled));
    const QString read = runTool("pdftotext", {"-layout", out, "-"});
    EXPECT_TRUE(read.simplified().startsWith("A title Hello world"))
        << read.left(300).toStdString();
    EXPECT_TRUE(read.contains("Hello world, blue and Go"));
    EXPECT_TRUE(read.contains("Line 119 with bold [name] ^Qcode"));
    // The only caret left is the one of the code of no known letter, shown as typed; no line is
    // cut by a page's end and shown on two pages.
    EXPECT_EQ(read.count('^'), 120);
    EXPECT_FALSE(read.contains("GotoPage"));
    EXPECT_GT(pages, 1u);
    EXPECT_TRUE(runTool("pdfinfo", {out})
                    .contains(QRegularExpression("Pages: +" + QString::number(pages))));
    EXPECT_TRUE(runTool("pdfinfo", {out}).contains(QRegularExpression("Title: +page.txt\n")));

    // Cancelled on the first page: no file.
    service.onProgress = [](std::size_t, std::size_t) { return false; };
    const QString cancelled = dir.file("cancelled.pdf");
    EXPECT_FALSE(service.exportDocumentPdf(cancelled, "page.txt", styled));
    EXPECT_FALSE(QFile::exists(cancelled));
    EXPECT_FALSE(printJobRunning());
}

// Links in the exported preview: a target link leads to its target mark's page inside the file, a
// web address out of it; the file is still read whole by other programs.
TEST(PreviewPdf, TargetLinksLeadInsideTheFileAndWebLinksOut) {
    if (!havePoppler())
        GTEST_SKIP() << "poppler-utils is not installed";
    lptest::TempDir dir;
    QString text = "^LTo the end=:The End^l and ^LWeb=InternetLink \"https://example.org/a\"^l\n";
    for (int k = 0; k < 150; ++k)
        text += QString("Line %1\n").arg(k);
    text += "^MThe End^m here, ^LBack=:Top^l and ^LNowhere=:Missing^l\n^MTop^m";
    TPageDocument page;
    page.setPageText(text);
    TPreviewDocument preview(page);
    QTextDocument styled;
    ASSERT_TRUE(preview.writePage(styled));
    PdfPrintService service;
    service.file = dir.file("printer.pdf");
    const QString out = dir.file("links.pdf");
    ASSERT_TRUE(service.exportDocumentPdf(out, "page.txt", styled));
    const QByteArray bytes = lptest::readFile(out);
    EXPECT_TRUE(bytes.contains("/S /GoTo\n/D (The End)"));
    EXPECT_TRUE(bytes.contains("/S /URI\n/URI (https://example.org/a)"));
    EXPECT_TRUE(bytes.contains("/S /URI\n/URI (#Missing)")) << "no target: left as it was";
    const QString dests = runTool("pdfinfo", {"-dests", out});
    const QString pages = runTool("pdfinfo", {out});
    EXPECT_TRUE(dests.contains(QRegularExpression("\\n +[2-9] +\\[ XYZ [^\\n]*\"The End\"")))
        << dests.toStdString();
    EXPECT_TRUE(pages.contains(QRegularExpression("Pages: +[2-9]")));
    EXPECT_TRUE(runTool("pdftotext", {out, "-"}).contains("here, Back and Nowhere"));
}
