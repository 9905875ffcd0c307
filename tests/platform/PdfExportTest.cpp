#include "platform/PdfExport.h"
#include "platform/ErrorTexts.h"
#include "platform/Errors.h"
#include "platform/PrintProgress.h"
#include "platform/Printing.h"
#include "platform/QtPrintDevice.h"
#include "tests/platform/PdfTools.h"
#include "tests/support/TestEnv.h"

#include <QDir>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using lptest::monoFont;
using lptest::pdfPage;
using lptest::PdfPrintService;
using lptest::runTool;

namespace {

bool havePoppler() {
    return !QStandardPaths::findExecutable("pdftotext").isEmpty() &&
           !QStandardPaths::findExecutable("pdfinfo").isEmpty();
}

// How many lines of monoFont() an exported page on the default PDF printer's paper holds.
int linesPerPage(const QString& probeFile) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFileName(probeFile);
    printer.setPageLayout(pdfPageLayout(printer.pageLayout()));
    TQtPrintDevice probe(printer, monoFont());
    const int l = probe.measure(u"x").height + 2;
    int perPage = 0;
    while (perPage * l <= probe.pageHeight() - 2 * l)
        ++perPage;
    probe.endJob();
    QFile::remove(probeFile);
    return perPage;
}

// Two full pages and a few lines on a third, with characters beyond ASCII on every line.
QStringList threePages(int perPage) {
    QStringList lines;
    for (int i = 1; i <= 2 * perPage + 3; ++i)
        lines << QString("Ligne %1 café 5 € œuvre ^Bgras^b").arg(i, 3, 10, QChar('0'));
    return lines;
}

int pdfPageCount(const QString& file) {
    const auto m = QRegularExpression("Pages: +(\\d+)\n").match(runTool("pdfinfo", {file}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

QString exportError(PdfPrintService& service, const QString& path, const QStringList& lines) {
    try {
        service.exportPdf(path, "page.txt", lines, monoFont());
    } catch (const TLpError& e) {
        return e.message();
    }
    return QString();
}

} // namespace

TEST(PdfExport, ThreePagesReadBackPageByPageWithTitleAndAccents) {
    if (!havePoppler())
        GTEST_SKIP() << "poppler-utils is not installed";
    lptest::TempDir dir;
    const int perPage = linesPerPage(dir.file("probe.pdf"));
    ASSERT_GT(perPage, 20);
    const QStringList lines = threePages(perPage);

    PdfPrintService service;
    service.file = dir.file("printer.pdf");
    const QString out = dir.file("page.pdf");
    service.exportPdf(out, "page.txt", lines, monoFont());

    EXPECT_EQ(pdfPageCount(out), 3);
    EXPECT_EQ(pdfPage(out, 1), lines.mid(0, perPage));
    EXPECT_EQ(pdfPage(out, 2), lines.mid(perPage, perPage));
    EXPECT_EQ(pdfPage(out, 3), lines.mid(2 * perPage));
    EXPECT_TRUE(runTool("pdfinfo", {out}).contains(QRegularExpression("Title: +page.txt\n")));
    // Only the file asked for: no temporary file, and the printer's own file untouched.
    EXPECT_EQ(filesIn(dir.path()), QStringList{"page.pdf"});
    EXPECT_FALSE(printJobRunning());
}

// Ligatures would turn "fi" into one character that a search for the word does not find.
TEST(PdfExport, TextIsFoundAsTypedInAProportionalFont) {
    if (!havePoppler())
        GTEST_SKIP() << "poppler-utils is not installed";
    lptest::TempDir dir;
    PdfPrintService service;
    service.file = dir.file("printer.pdf");
    TFontAttributes font;
    font.name = "DejaVu Sans";
    font.size = 12;
    const QStringList lines{"fin office affiche fléau", "été € œuvre"};
    service.exportPdf(dir.file("p.pdf"), "p", lines, font);
    EXPECT_EQ(pdfPage(dir.file("p.pdf"), 1), lines);
}

// On a printer the preview shows what printing prints, on the printer's printable area; the
// export lays the same lines out with its own margin.
TEST(PdfExport, PreviewShowsThePagesThatPrintingMakes) {
    if (!havePoppler())
        GTEST_SKIP() << "poppler-utils is not installed";
    lptest::TempDir dir;
    const QStringList lines = threePages(linesPerPage(dir.file("probe.pdf")));
    PdfPrintService service;
    service.file = dir.file("printed.pdf");

    service.preview(lines, monoFont());
    ASSERT_GE(service.previewPages, 2);
    EXPECT_EQ(service.progressLabels, std::vector<QString>{"Preparing the preview..."});

    printText(service, lines, monoFont());
    EXPECT_EQ(int(service.pages.size()), service.previewPages);
    const QStringList printedLast = pdfPage(service.file, service.previewPages);
    EXPECT_FALSE(printedLast.isEmpty());
    service.exportPdf(dir.file("exported.pdf"), "t", lines, monoFont());
    EXPECT_EQ(pdfPageCount(dir.file("exported.pdf")), 3);

    // The preview's Print button prints what it shows, on the printer.
    QFile::remove(service.file);
    service.pressPreviewPrint = true;
    service.preview(lines, monoFont());
    EXPECT_EQ(pdfPageCount(service.file), service.previewPages);
    const int last = service.previewPages;
    EXPECT_EQ(pdfPage(service.file, last), printedLast);
    EXPECT_EQ(service.progressLabels.back(), "Printing...");
    EXPECT_FALSE(printJobRunning());
}

TEST(PdfExport, WithoutAnyPrinterPreviewAndExportUseAPdfPrinterOnTheLocalePaper) {
    lptest::TempDir dir;
    PdfPrintService service;
    service.havePrinter = false;
    const QPageSize::PageSizeId paper = QLocale().measurementSystem() == QLocale::ImperialUSSystem
                                            ? QPageSize::Letter
                                            : QPageSize::A4;
    service.preview({"one line", "two"}, monoFont());
    EXPECT_EQ(service.previewPages, 1);
    EXPECT_EQ(service.previewLayout.pageSize().id(), paper);
    EXPECT_EQ(service.pagePrinter().outputFormat(), QPrinter::PdfFormat);
    // The preview's print dialog then offers this printer; printing itself still says why not.
    EXPECT_THROW(printText(service, {"x"}, monoFont()), TLpError);

    service.exportPdf(dir.file("out.pdf"), "t", {"x"}, monoFont());
    if (havePoppler()) {
        EXPECT_EQ(pdfPageCount(dir.file("out.pdf")), 1);
    }
}

TEST(PdfExport, CancelledExportLeavesNothingAndKeepsThePreviousFile) {
    lptest::TempDir dir;
    const QStringList lines(500, "some text");
    const QString old = dir.file("old.pdf");
    ASSERT_TRUE(lptest::writeFile(old, "previous"));
    PdfPrintService service;
    service.file = dir.file("printer.pdf");
    std::size_t lastDone = 0;
    service.onProgress = [&](std::size_t done, std::size_t) {
        lastDone = done;
        return done < 200;
    };
    EXPECT_EQ(exportError(service, old, lines), QString());
    EXPECT_EQ(exportError(service, dir.file("new.pdf"), lines), QString());
    EXPECT_GE(lastDone, 200u);
    EXPECT_LT(lastDone, 500u);
    EXPECT_EQ(lptest::readFile(old), "previous");
    EXPECT_EQ(filesIn(dir.path()), QStringList{"old.pdf"});
    EXPECT_FALSE(printJobRunning());

    // A cancelled preview closes the window and says nothing.
    service.preview(lines, monoFont());
    EXPECT_FALSE(printJobRunning());
}

TEST(PdfExport, UnwritableFolderIsAnErrorAndLeavesNothing) {
    lptest::TempDir dir;
    PdfPrintService service;
    service.file = dir.file("printer.pdf");
    // Each error names the file and the system's reason.
    const QString missing = dir.file("no such folder/x.pdf");
    EXPECT_EQ(exportError(service, missing, {"x"}),
              errortext::cannotCreateFile.arg(missing) + ".\n" + std::strerror(ENOENT));
    // A folder that takes no new file, not even from the superuser.
    const QString proc = exportError(service, "/proc/larkpad-export.pdf", {"x"});
    EXPECT_TRUE(
        proc.startsWith(errortext::cannotCreateFile.arg("/proc/larkpad-export.pdf") + ".\n"))
        << proc.toStdString();
    EXPECT_GT(proc.section('\n', 1).size(), 5) << proc.toStdString();
    // A full disk's device is no file to write a PDF in.
    EXPECT_EQ(exportError(service, "/dev/full", {"x"}),
              errortext::cannotCreateFile.arg("/dev/full") +
                  ".\nIt is a character device, not a regular file");
    EXPECT_TRUE(filesIn(dir.path()).isEmpty());
    EXPECT_FALSE(printJobRunning());
}

// A PDF is written as a page is: never over a named pipe, and a file with a second name keeps it
// and its permissions.
TEST(PdfExport, PipeIsRefusedAndALinkedFileKeepsItsNames) {
    lptest::TempDir dir;
    PdfPrintService service;
    service.file = dir.file("printer.pdf");
    const QString pipe = dir.file("pipe.pdf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    EXPECT_EQ(exportError(service, pipe, {"x"}),
              errortext::cannotCreateFile.arg(pipe) +
                  ".\nIt is a named pipe (FIFO), not a regular file");
    struct stat pipeStat {};
    ASSERT_EQ(::stat(QFile::encodeName(pipe).constData(), &pipeStat), 0);
    EXPECT_TRUE(S_ISFIFO(pipeStat.st_mode));

    const QString linked = dir.file("linked.pdf");
    ASSERT_TRUE(lptest::writeFile(linked, "previous"));
    const QByteArray linkedName = QFile::encodeName(linked);
    ASSERT_EQ(::chmod(linkedName.constData(), 0640), 0);
    ASSERT_EQ(::link(linkedName.constData(), QFile::encodeName(dir.file("second.pdf")).constData()),
              0);
    EXPECT_EQ(exportError(service, linked, {"x"}), QString());
    EXPECT_TRUE(lptest::readFile(dir.file("second.pdf")).startsWith("%PDF"));
    struct stat st {};
    ASSERT_EQ(::stat(linkedName.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_nlink, 2u);
    EXPECT_EQ(filesIn(dir.path()), (QStringList{"linked.pdf", "second.pdf"}));
}

// The disk fills up in the middle of the file: a file size limit makes the same fault.
TEST(PdfExport, FullDiskIsAnErrorAndKeepsThePreviousFile) {
    lptest::TempDir dir;
    const QString old = dir.file("old.pdf");
    ASSERT_TRUE(lptest::writeFile(old, "previous"));
    PdfPrintService service;
    service.file = dir.file("printer.pdf");
    QStringList lines;
    for (int i = 0; i < 400; ++i)
        lines << QString("line %1 with some text to fill the pages").arg(i);

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 6000;
    if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < limited.rlim_cur)
        GTEST_SKIP() << "the file size limit cannot be set";
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const QString error = exportError(service, old, lines);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(error, errortext::streamWriteError + ".\n" + old + ": " + std::strerror(EFBIG) +
                         ". Any file of that name keeps its previous bytes.");
    EXPECT_EQ(lptest::readFile(old), "previous");
    EXPECT_EQ(filesIn(dir.path()), QStringList{"old.pdf"});
    EXPECT_FALSE(printJobRunning());
    // With room again the same export works.
    EXPECT_EQ(exportError(service, old, lines), QString());
    EXPECT_TRUE(lptest::readFile(old).startsWith("%PDF"));
}

TEST(PdfExport, ProgressDialogCancelButtonStopsTheJob) {
    QWidget window;
    TQtPrintProgress progress(&window, "Exporting to PDF...");
    ASSERT_NE(progress.dialog(), nullptr);
    EXPECT_EQ(progress.dialog()->labelText(), "Exporting to PDF...");
    EXPECT_TRUE(progress.advance(0, 1000));
    QPushButton* cancel = nullptr;
    for (QPushButton* b : progress.dialog()->findChildren<QPushButton*>())
        if (b->text() == "Annuler")
            cancel = b;
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    EXPECT_FALSE(progress.advance(1, 1000));
}

// The first word's box on page 1 as pdftotext reads it, in points from the top left corner.
static QRectF firstWordBox(const QString& file) {
    const QString html = runTool("pdftotext", {"-bbox", "-f", "1", "-l", "1", file, "-"});
    const auto m =
        QRegularExpression("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                           "yMax=\"([\\d.]+)\">")
            .match(html);
    if (!m.hasMatch())
        return {};
    return QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                  QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
}

// A PDF has no unprintable edge: the export keeps the PDF margin whatever the printer's own
// margins are, and so does the preview on the PDF printer that stands in for a missing one. A
// real printer keeps its printable area.
TEST(PdfExport, ExportAndPdfPreviewKeepTheirOwnMargin) {
    lptest::TempDir dir;
    const double margin = kPdfMarginMm * 72.0 / 25.4; // points
    for (const double printerMarginMm : {0.0, 30.0}) {
        PdfPrintService service;
        service.file = dir.file("printer.pdf");
        QPrinter& printer = service.pagePrinter();
        printer.setPageMargins(
            QMarginsF(printerMarginMm, printerMarginMm, printerMarginMm, printerMarginMm),
            QPageLayout::Millimeter);
        const QString out = dir.file("out.pdf");
        ASSERT_TRUE(service.exportPdf(out, "t", {"Margin"}, monoFont()));
        EXPECT_NEAR(printer.pageLayout().margins(QPageLayout::Millimeter).left(), printerMarginMm,
                    0.01);
        if (!havePoppler())
            continue;
        const QRectF word = firstWordBox(out);
        ASSERT_FALSE(word.isNull()) << printerMarginMm;
        EXPECT_NEAR(word.left(), margin, 1.0) << printerMarginMm;
        EXPECT_GE(word.top(), margin - 3.0) << printerMarginMm;
        EXPECT_LT(word.top(), margin + 12.0) << printerMarginMm;
    }

    PdfPrintService none;
    none.havePrinter = false;
    none.preview({"x"}, monoFont());
    const QMarginsF shown = none.previewLayout.margins(QPageLayout::Millimeter);
    EXPECT_NEAR(shown.left(), kPdfMarginMm, 0.01);
    EXPECT_NEAR(shown.top(), kPdfMarginMm, 0.01);
    EXPECT_NEAR(shown.right(), kPdfMarginMm, 0.01);
    EXPECT_NEAR(shown.bottom(), kPdfMarginMm, 0.01);
}
