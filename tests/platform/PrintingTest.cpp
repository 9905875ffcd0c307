#include "platform/Printing.h"
#include "platform/ErrorTexts.h"
#include "platform/Errors.h"
#include "platform/QtPrintDevice.h"
#include "print/core/PrintLayout.h"
#include "tests/platform/PdfTools.h"
#include "tests/support/TestEnv.h"

#include <QFile>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

using lptest::monoFont;
using lptest::pdfPage;
using lptest::PdfPrintService;
using lptest::runTool;

TEST(PrintQt, DialogOffersNoPageRangeSelectionOrFile) {
    lptest::TempDir dir;
    PdfPrintService service;
    service.file = dir.file("x.pdf");
    service.answer = false;
    EXPECT_EQ(service.startJob(monoFont()), nullptr);
    EXPECT_EQ(service.dialogs, 1);
    EXPECT_FALSE(service.options.testFlag(QAbstractPrintDialog::PrintToFile));
    EXPECT_FALSE(service.options.testFlag(QAbstractPrintDialog::PrintSelection));
    EXPECT_FALSE(service.options.testFlag(QAbstractPrintDialog::PrintPageRange));
    EXPECT_FALSE(service.options.testFlag(QAbstractPrintDialog::PrintCurrentPage));
}

TEST(PrintQt, CancelledDialogPrintsNothing) {
    lptest::TempDir dir;
    PdfPrintService service;
    service.file = dir.file("x.pdf");
    service.answer = false;
    printText(service, {"a", "b"}, monoFont());
    EXPECT_FALSE(QFile::exists(service.file));
    EXPECT_FALSE(printJobRunning());
}

TEST(PrintQt, NoDefaultPrinterIsAnErrorWithoutDialog) {
    PdfPrintService service;
    service.havePrinter = false;
    try {
        printText(service, {"a"}, monoFont());
        FAIL() << "no error";
    } catch (const TLpError& e) {
        EXPECT_EQ(e.message(), errortext::noDefaultPrinter);
    }
    EXPECT_EQ(service.dialogs, 0);
    EXPECT_FALSE(printJobRunning());
}

TEST(PrintQt, PrinterThatCannotStartIsAnError) {
    lptest::TempDir dir;
    PdfPrintService service;
    service.file = dir.file("no/such/folder/x.pdf");
    try {
        printText(service, {"a"}, monoFont());
        FAIL() << "no error";
    } catch (const TLpError& e) {
        EXPECT_EQ(e.message(), errortext::invalidPrinter);
    }
    EXPECT_FALSE(printJobRunning());
}

TEST(PrintQt, FontHasItsPointSizeOnPaper) {
    lptest::TempDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFileName(dir.file("f.pdf"));
    TQtPrintDevice device(printer, monoFont());
    // 10 points at the printer's resolution, plus the font's own line spacing.
    const double points = device.charHeight() * 72.0 / printer.resolution();
    EXPECT_GT(points, 10.0);
    EXPECT_LT(points, 14.0);
    EXPECT_GT(device.pageWidth(), 7 * printer.resolution()) << "A4 or letter, minus margins";
    EXPECT_EQ(device.measure(u"").width, 0);
    EXPECT_EQ(device.measure(u"abc").height, device.charHeight());
    device.endJob();
}

// A document longer than two pages: every page but the last is full with the same number of lines,
// and the pages hold every line once, in order, the long line continued at the left edge.
TEST(PrintPdf, PagesHoldEveryLineInOrder) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    lptest::TempDir dir;

    QStringList lines;
    for (int i = 1; i <= 150; ++i)
        lines << QString("Line %1 ^Bbold^b").arg(i, 3, 10, QChar('0'));
    const QString longLine = QString("0123456789").repeated(30);
    lines << longLine << "";

    PdfPrintService service;
    service.file = dir.file("out.pdf");
    printText(service, lines, monoFont());
    ASSERT_TRUE(QFile::exists(service.file));
    const int pages = static_cast<int>(service.pages.size());
    ASSERT_GE(pages, 3);
    EXPECT_TRUE(runTool("pdfinfo", {service.file})
                    .contains(QRegularExpression(QString("Pages: +%1\n").arg(pages))));

    const int perPage = static_cast<int>(pdfPage(service.file, 1).size());
    EXPECT_GT(perPage, 20);
    QStringList printed;
    for (int page = 1; page <= pages; ++page) {
        const QStringList text = pdfPage(service.file, page);
        if (page < pages) {
            EXPECT_EQ(text.size(), perPage) << "page " << page;
        }
        printed += text;
    }
    ASSERT_GT(printed.size(), 150);
    EXPECT_EQ(printed.mid(0, 150), lines.mid(0, 150));
    // The long line continues at the left edge, cut between characters.
    EXPECT_GT(printed.size(), 151);
    EXPECT_EQ(printed.mid(150).join(""), longLine);
    // The document has no name.
    EXPECT_FALSE(runTool("pdfinfo", {service.file}).contains("left over"));
}
