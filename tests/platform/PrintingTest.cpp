#include "platform/Printing.h"
#include "platform/Errors.h"
#include "platform/QtPrintDevice.h"
#include "platform/core/PrintLayout.h"
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
        EXPECT_EQ(e.message(), "Aucune imprimante par défaut sélectionnée");
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
        EXPECT_EQ(e.message(), "Imprimante sélectionnée incorrecte");
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

TEST(PrintPdf, ThreePagesHoldTheExpectedLines) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    lptest::TempDir dir;

    // How many lines a page holds: the next line starts a page once its top is below the page
    // height minus two line heights.
    int perPage = 0;
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFileName(dir.file("probe.pdf"));
        TQtPrintDevice probe(printer, monoFont());
        const int l = probe.measure(u"x").height + 2;
        while (perPage * l <= probe.pageHeight() - 2 * l)
            ++perPage;
        probe.endJob();
    }
    ASSERT_GT(perPage, 20);

    QStringList lines;
    for (int i = 1; i <= 2 * perPage + 1; ++i)
        lines << QString("Line %1 ^Bbold^b").arg(i, 3, 10, QChar('0'));
    const QString longLine = QString("0123456789").repeated(30);
    lines << longLine << "";

    PdfPrintService service;
    service.file = dir.file("out.pdf");
    printText(service, lines, monoFont());
    ASSERT_TRUE(QFile::exists(service.file));
    ASSERT_EQ(service.pages.size(), 3u);

    EXPECT_TRUE(runTool("pdfinfo", {service.file}).contains(QRegularExpression("Pages: +3\n")));
    const QStringList page1 = pdfPage(service.file, 1);
    const QStringList page2 = pdfPage(service.file, 2);
    const QStringList page3 = pdfPage(service.file, 3);
    EXPECT_EQ(page1, lines.mid(0, perPage));
    EXPECT_EQ(page2, lines.mid(perPage, perPage));
    ASSERT_GE(page3.size(), 3);
    EXPECT_EQ(page3.first(), lines[2 * perPage]);
    // The long line continues at the left edge, cut between characters.
    EXPECT_EQ(page3.mid(1).join(""), longLine);
    EXPECT_GT(page3.size(), 2);
    // The document has no name.
    EXPECT_FALSE(runTool("pdfinfo", {service.file}).contains("left over"));
}
