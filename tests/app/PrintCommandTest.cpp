#include "app/Unit1.h"
#include "editor/ColMemo.h"
#include "platform/ErrorTexts.h"
#include "platform/Errors.h"
#include "platform/Printing.h"
#include "tests/app/ViewFakes.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPrinterInfo>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <gtest/gtest.h>

using lptest::FakePrintDevice;

namespace {

struct PrintForm {
    lptest::ViewPrompts prompts;
    lptest::ViewDialogs dialogs;
    lptest::ViewPrintService printing;
    TForm1 form{TForm1Services{&prompts, &dialogs, &printing}};

    void print() {
        form.runCommand([this] { form.FilePrintClick(); });
    }
    std::vector<std::u16string> printedTexts() const {
        std::vector<std::u16string> texts;
        for (const auto& d : printing.device.draws)
            texts.push_back(d.text);
        return texts;
    }
};

std::u16string u16(const QString& s) {
    return s.toStdU16String();
}

// The lines of a block as the editor shows them, read from its own layout.
QStringList shownLines(const QTextBlock& block) {
    QStringList lines;
    const QTextLayout* layout = block.layout();
    for (int i = 0; i < layout->lineCount(); ++i)
        lines << block.text().mid(layout->lineAt(i).textStart(), layout->lineAt(i).textLength());
    return lines;
}

const QString kParagraph =
    "The quick brown fox jumps over the lazy dog and keeps running along the river bank until "
    "the evening comes and the light fades over the hills far away from the town";

} // namespace

TEST(PrintCommand, CancelPrintsNothingAndChangesNothing) {
    PrintForm f;
    f.printing.answer = false;
    f.form.Clm1->SetText("text\r\nmore");
    f.form.Clm1->SetModified(true);
    f.print();
    EXPECT_EQ(f.printing.calls, 1);
    EXPECT_TRUE(f.printing.device.draws.empty());
    EXPECT_EQ(f.printing.device.endJobCount, 0);
    EXPECT_TRUE(f.prompts.complaints().isEmpty());
    EXPECT_EQ(f.form.Clm1->Text(), "text\r\nmore");
    EXPECT_TRUE(f.form.Clm1->Modified());
}

TEST(PrintCommand, PrintsTheLinesAsTypedInTheEditorFont) {
    PrintForm f;
    f.form.resize(800, 400);
    f.form.show();
    f.printing.device.width = 10000;
    TFontAttributes font;
    font.name = "DejaVu Sans Mono";
    font.size = 11;
    font.italic = true;
    font.color = colors::clRed;
    f.form.Clm1->SetEditorFont(font);
    f.form.Clm1->SetText("^Bbold^b and [Var]\r\n\r\n^L\"x\"=GotoPage ^l\r\n");
    f.print();
    EXPECT_EQ(f.printing.font, font);
    EXPECT_EQ(f.printedTexts(),
              (std::vector<std::u16string>{u"^Bbold^b and [Var]", u"^L\"x\"=GotoPage ^l"}));
    // The blank line in between takes one character height; no blank line after the last.
    EXPECT_EQ(f.printing.device.draws[1].y, 14 + 12);
    EXPECT_EQ(f.printing.device.pageCount(), 1);
    EXPECT_EQ(f.printing.device.endJobCount, 1);
}

TEST(PrintCommand, EmptyDocumentPrintsOneBlankPage) {
    PrintForm f;
    f.print();
    EXPECT_TRUE(f.printing.device.draws.empty());
    EXPECT_EQ(f.printing.device.pageCount(), 1);
    EXPECT_EQ(f.printing.device.endJobCount, 1);
}

TEST(PrintCommand, WrappedParagraphPrintsAsOnScreenAndBreaksAgainWhenTooWide) {
    PrintForm f;
    f.form.resize(320, 400);
    f.form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.form));
    f.form.Clm1->SetText("short line\r\n" + kParagraph);
    QApplication::processEvents();
    const QStringList screen = shownLines(f.form.Clm1->document()->lastBlock());
    ASSERT_GT(screen.size(), 2);

    f.printing.device.width = 100000;
    f.print();
    std::vector<std::u16string> expected{u"short line"};
    for (const QString& line : screen)
        expected.push_back(u16(line));
    EXPECT_EQ(f.printedTexts(), expected);

    // On paper five characters wide, each screen line is cut again, never joined to the next.
    PrintForm narrow;
    narrow.form.resize(320, 400);
    narrow.form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&narrow.form));
    narrow.form.Clm1->SetText(kParagraph);
    QApplication::processEvents();
    narrow.printing.device.width = 50;
    narrow.print();
    std::vector<std::u16string> pieces;
    for (const QString& line : shownLines(narrow.form.Clm1->document()->firstBlock()))
        for (int i = 0; i < line.size(); i += 5)
            pieces.push_back(u16(line.mid(i, 5)));
    EXPECT_EQ(narrow.printedTexts(), pieces);
}

TEST(PrintCommand, ParagraphFarBelowTheViewIsWrappedAsItWillBeShown) {
    PrintForm f;
    f.form.resize(320, 300);
    f.form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.form));
    QString text;
    for (int i = 0; i < 3000; ++i)
        text += QString("line %1\r\n").arg(i);
    text += kParagraph + "\r\n" + kParagraph;
    f.form.Clm1->SetText(text);
    QApplication::processEvents();
    // Blocks out of view lose their layout whenever the width changes; the two paragraphs are.
    f.form.Clm1->document()->lastBlock().layout()->clearLayout();
    f.form.Clm1->document()->lastBlock().previous().layout()->clearLayout();
    ASSERT_EQ(f.form.Clm1->document()->lastBlock().layout()->lineCount(), 0);
    const QStringList before = f.form.Clm1->Lines();

    // Lay every block out as the editor does, then ask again.
    QAbstractTextDocumentLayout* layout = f.form.Clm1->document()->documentLayout();
    for (QTextBlock b = f.form.Clm1->document()->begin(); b.isValid(); b = b.next())
        layout->blockBoundingRect(b);
    ASSERT_GT(f.form.Clm1->document()->lastBlock().layout()->lineCount(), 2);
    EXPECT_EQ(before, f.form.Clm1->Lines());
    EXPECT_EQ(before.mid(3000), shownLines(f.form.Clm1->document()->lastBlock()) +
                                    shownLines(f.form.Clm1->document()->lastBlock()));
}

TEST(PrintCommand, WordWrapOffPrintsTheTextLines) {
    PrintForm f;
    f.form.resize(320, 300);
    f.form.show();
    f.form.Retourauto1Click();
    f.form.Clm1->SetText(kParagraph);
    f.printing.device.width = 100000;
    f.print();
    EXPECT_EQ(f.printedTexts(), (std::vector<std::u16string>{u16(kParagraph)}));
}

TEST(PrintCommand, FailureEndsTheJobAndReachesTheErrorBox) {
    PrintForm f;
    f.form.Clm1->SetText("one\r\ntwo\r\nthree");
    f.printing.device.onDraw = [](const FakePrintDevice::Draw& d) {
        if (d.text == u"two")
            throw TLpError(errortext::printError);
    };
    f.print();
    EXPECT_EQ(f.prompts.errors, QStringList{errortext::printError + "."});
    EXPECT_EQ(f.printing.device.endJobCount, 1);
    EXPECT_FALSE(printJobRunning());
}

TEST(PrintCommand, SecondPrintWhileAJobIsHandedOverIsRefused) {
    PrintForm f;
    f.form.Clm1->SetText("one\r\ntwo");
    bool again = true;
    f.printing.device.onDraw = [&](const FakePrintDevice::Draw&) {
        // The window takes input between pages: the author asks to print once more.
        if (std::exchange(again, false))
            f.print();
    };
    f.print();
    EXPECT_EQ(f.prompts.errors, QStringList{"Impression en cours."});
    EXPECT_EQ(f.printing.calls, 1);
    EXPECT_EQ(f.printedTexts(), (std::vector<std::u16string>{u"one", u"two"}));
    EXPECT_EQ(f.printing.device.endJobCount, 1);

    // Once the job is over, printing works again.
    f.printing.device = FakePrintDevice();
    f.print();
    EXPECT_EQ(f.printing.calls, 2);
    EXPECT_EQ(f.printing.device.endJobCount, 1);
}

TEST(PrintCommand, WithoutPrintersTheErrorBoxSaysSoAndNoDialogAppears) {
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "this machine has printers";
    lptest::ViewPrompts prompts;
    lptest::ViewDialogs dialogs;
    TForm1 form(TForm1Services{&prompts, &dialogs, nullptr});
    form.Clm1->SetText("x");
    form.FilePrint->trigger();
    EXPECT_EQ(prompts.errors, QStringList{errortext::noDefaultPrinter + "."});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

namespace {

// Dialogs whose save dialog answers with a chosen file and keeps what it was shown.
class ExportDialogs : public lptest::ViewDialogs {
public:
    QString answer; ///< empty: cancel
    std::optional<TFileDialog> shown;
    bool executeSave(TFileDialog& dialog) override {
        shown = dialog;
        if (answer.isEmpty())
            return false;
        dialog.fileName = answer;
        return true;
    }
};

struct ExportForm {
    lptest::ViewPrompts prompts;
    ExportDialogs dialogs;
    lptest::ViewPrintService printing;
    TForm1 form{TForm1Services{&prompts, &dialogs, &printing}};
};

} // namespace

TEST(PdfExportCommand, AsksForAPdfBesideThePageAndLeavesTheDocumentAsItIs) {
    ExportForm f;
    f.form.Clm1->SetText("one é\r\ntwo €");
    f.form.Clm1->SetModified(true);
    f.form.SaveDialog1.fileName = "/pages/my page.v2.txt";
    f.form.StatusPanel1->setText("/pages/my page.v2.txt");
    f.dialogs.answer = "/elsewhere/out.pdf";
    f.form.FileExportPdf->trigger();

    ASSERT_TRUE(f.dialogs.shown);
    EXPECT_EQ(f.dialogs.shown->filter, "Fichiers PDF|*.pdf");
    EXPECT_EQ(f.dialogs.shown->defaultExt, "pdf");
    EXPECT_TRUE(f.dialogs.shown->overwritePrompt);
    EXPECT_EQ(f.dialogs.shown->initialDir, "/pages");
    EXPECT_EQ(f.dialogs.shown->fileName, "/pages/my page.v2.pdf");
    ASSERT_EQ(f.printing.exports.size(), 1u);
    EXPECT_EQ(f.printing.exports[0].path, "/elsewhere/out.pdf");
    EXPECT_EQ(f.printing.exports[0].title, "my page.v2.txt");
    EXPECT_EQ(f.printing.exports[0].lines, f.form.Clm1->Lines());
    EXPECT_EQ(f.printing.exports[0].font, f.form.Clm1->EditorFont());
    EXPECT_TRUE(f.prompts.errors.isEmpty());
    // The document keeps its name, file and modified flag.
    EXPECT_TRUE(f.form.Clm1->Modified());
    EXPECT_EQ(f.form.SaveDialog1.fileName, "/pages/my page.v2.txt");
    EXPECT_EQ(f.form.StatusPanel1->text(), "/pages/my page.v2.txt");
    // The author is told where the file went.
    EXPECT_EQ(f.form.StatusNote->text(), "Exported to /elsewhere/out.pdf");
    // The note is of that page: it goes with it.
    f.form.Clm1->SetModified(false);
    f.form.FileNewClick();
    EXPECT_EQ(f.form.StatusNote->text(), "");
}

TEST(PdfExportCommand, UntitledPageStartsInTheSaveFolderAndCancelExportsNothing) {
    ExportForm f;
    f.form.SaveDialog1.initialDir = "/favourite";
    f.form.FileExportPdf->trigger();
    ASSERT_TRUE(f.dialogs.shown);
    EXPECT_EQ(f.dialogs.shown->initialDir, "/favourite");
    EXPECT_TRUE(f.printing.exports.empty());
    EXPECT_TRUE(f.form.StatusNote->text().isEmpty());

    // Cancelled while the pages are written: nothing was exported, nothing is said.
    f.dialogs.answer = "/favourite/a.pdf";
    f.printing.exportCancelled = true;
    f.form.FileExportPdf->trigger();
    EXPECT_TRUE(f.form.StatusNote->text().isEmpty());
    f.printing.exportCancelled = false;
    f.printing.exports.clear();

    f.dialogs.answer = "/favourite/a.pdf";
    f.form.FileExportPdf->trigger();
    ASSERT_EQ(f.printing.exports.size(), 1u);
    EXPECT_EQ(f.printing.exports[0].title, "Untitled");
}

TEST(PdfExportCommand, FailureReachesTheErrorBox) {
    ExportForm f;
    f.dialogs.answer = "/x/a.pdf";
    f.printing.exportError = errortext::cannotCreateFile.arg("/x/a.pdf");
    f.form.FileExportPdf->trigger();
    EXPECT_EQ(f.prompts.errors, QStringList{errortext::cannotCreateFile.arg("/x/a.pdf") + "."});
    EXPECT_TRUE(f.form.StatusNote->text().isEmpty());
}

TEST(PdfExportCommand, PreviewShowsTheLinesThatPrintingPrints) {
    ExportForm f;
    f.form.Clm1->SetText("^Bbold^b\r\nsecond");
    f.form.FilePreview->trigger();
    ASSERT_EQ(f.printing.previews.size(), 1u);
    EXPECT_EQ(f.printing.previews[0].lines, f.form.Clm1->Lines());
    EXPECT_EQ(f.printing.previews[0].font, f.form.Clm1->EditorFont());
    // The File menu holds both commands around Print.
    const QList<QAction*> file = f.form.Fichier1->actions();
    const auto at = [&](QAction* a) { return file.indexOf(a); };
    EXPECT_EQ(at(f.form.FilePreview) + 1, at(f.form.FilePrint));
    EXPECT_EQ(at(f.form.FilePrint) + 1, at(f.form.FileExportPdf));
    EXPECT_EQ(f.form.FilePreview->text(), "Print Pre&view...");
    EXPECT_EQ(f.form.FileExportPdf->text(), "E&xport as PDF...");
}

TEST(PdfExportCommand, ReadingALongPageShowsProgressAndCancelStopsTheCommand) {
    lptest::ViewPrompts prompts;
    ExportDialogs dialogs;
    lptest::CancellingPrintService printing;
    TForm1 form{TForm1Services{&prompts, &dialogs, &printing}};
    QString text;
    for (int i = 0; i < 3000; ++i)
        text += QString("line %1\r\n").arg(i);
    form.Clm1->SetText(text);

    form.FilePreview->trigger();
    EXPECT_EQ(printing.labels, std::vector<QString>{"Reading the page..."});
    EXPECT_EQ(printing.heard, (std::vector<std::size_t>{0, 1024, 2048}));
    ASSERT_EQ(printing.previews.size(), 1u);
    EXPECT_EQ(printing.previews[0].lines.size(), 3001) << "with the empty last line";

    // Cancelled while reading: no preview, no print dialog, no export, no message.
    printing.cancelAt = 1024;
    form.FilePreview->trigger();
    form.FilePrint->trigger();
    dialogs.answer = "/x/a.pdf";
    form.FileExportPdf->trigger();
    EXPECT_EQ(printing.previews.size(), 1u);
    EXPECT_EQ(printing.calls, 0);
    EXPECT_TRUE(printing.exports.empty());
    EXPECT_TRUE(prompts.errors.isEmpty());
}
