// The page preview in the main window: its place in the menus, its export as PDF through the print
// service, and what the settings store keeps of it from one run to the next.

#include "app/Unit1.h"
#include "document/PageDocument.h"
#include "editor/ColMemo.h"
#include "markup/PreviewDocument.h"
#include "markup/PreviewPanel.h"
#include "settings/LpIniCtrl.h"
#include "settings/SettingsKeys.h"
#include "tests/app/ViewFakes.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace {

class SavingDialogs : public lptest::ViewDialogs {
public:
    QString answer;   ///< empty: cancel
    QString proposed; ///< the name the dialog came with
    bool executeSave(TFileDialog& dialog) override {
        proposed = dialog.fileName;
        if (answer.isEmpty())
            return false;
        dialog.fileName = answer;
        return true;
    }
};

struct PreviewForm {
    lptest::ViewPrompts prompts;
    SavingDialogs dialogs;
    lptest::CancellingPrintService printing;
    TForm1 form{TForm1Services{&prompts, &dialogs, &printing}};
};

// What the settings store holds of the preview, put back as a first run finds it.
void forgetPreviewSettings() {
    TForm1 form;
    using namespace settingsKeys;
    form.RegCtrl1->WriteBool(kSection, kPreview, false);
    form.RegCtrl1->WriteInteger(kSection, kPreviewWidth, 0);
    form.RegCtrl1->WriteString(kSection, kPreviewFont, QString());
}

} // namespace

TEST(PreviewCommands, MenusHoldThePreviewItsExportAndItsFont) {
    PreviewForm f;
    ASSERT_FALSE(f.form.View1->actions().isEmpty());
    QAction* toggle = f.form.View1->actions().first();
    EXPECT_EQ(toggle, f.form.PreviewPanel1->toggleAction());
    EXPECT_EQ(toggle->text(), "Page &Preview");
    EXPECT_EQ(toggle->shortcut(), QKeySequence(Qt::Key_F6));
    EXPECT_TRUE(toggle->isCheckable());
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_EQ(f.form.dockWidgetArea(f.form.PreviewPanel1), Qt::RightDockWidgetArea);
    EXPECT_TRUE(f.form.PreviewPanel1->isHidden());

    const QList<QAction*> file = f.form.Fichier1->actions();
    EXPECT_EQ(file.indexOf(f.form.FileExportPdf) + 1, file.indexOf(f.form.FileExportPreviewPdf));
    EXPECT_EQ(f.form.FileExportPreviewPdf->text(), "Export Pre&view as PDF...");
    const QList<QAction*> settings = f.form.Options1->actions();
    EXPECT_EQ(settings.indexOf(f.form.Police1) + 1, settings.indexOf(f.form.PreviewFont1));
    EXPECT_EQ(f.form.PreviewFont1->text(), "Preview &Font...");
}

TEST(PreviewCommands, ExportWritesThePreviewWithoutCodesWhetherItShowsOrNot) {
    PreviewForm f;
    f.form.Clm1->SetText("^BHello^b world\r\n^LGo=GotoPage \"2\"^l ^P4blue^p");
    f.form.SaveDialog1.fileName = "/pages/page.txt";
    f.dialogs.answer = "/out/page.pdf";
    f.form.FileExportPreviewPdf->trigger();
    ASSERT_EQ(f.printing.exports.size(), 1u);
    EXPECT_EQ(f.printing.exports[0].path, "/out/page.pdf");
    EXPECT_EQ(f.printing.exports[0].title, "page.txt");
    EXPECT_EQ(f.printing.exports[0].lines, QStringList({"Hello world", "Go blue"}));
    EXPECT_EQ(f.form.StatusNote->text(), "Exported to /out/page.pdf");
    // Hidden before, the preview holds nothing after.
    EXPECT_FALSE(f.form.PreviewPanel1->preview().active());
    EXPECT_TRUE(f.form.PreviewPanel1->preview().document()->isEmpty());

    // Each export proposes its own name, whatever the other chose last, with or without a page.
    EXPECT_EQ(f.dialogs.proposed, "/pages/page-preview.pdf");
    f.form.FileExportPdf->trigger();
    EXPECT_EQ(f.dialogs.proposed, "/pages/page.pdf");
    f.form.SaveDialog1.fileName.clear();
    f.form.FileExportPreviewPdf->trigger();
    EXPECT_TRUE(f.dialogs.proposed.isEmpty()) << f.dialogs.proposed.toStdString();

    // Cancelled and failed exports as Export as PDF has them.
    f.printing.exports.clear();
    f.form.StatusNote->clear();
    f.dialogs.answer.clear();
    f.form.FileExportPreviewPdf->trigger();
    EXPECT_TRUE(f.printing.exports.empty());
    f.dialogs.answer = "/out/page.pdf";
    f.printing.exportError = "Cannot create the file /out/page.pdf";
    f.form.FileExportPreviewPdf->trigger();
    EXPECT_EQ(f.prompts.errors, QStringList{"Cannot create the file /out/page.pdf."});
    EXPECT_TRUE(f.form.StatusNote->text().isEmpty());
}

// The preview shows a window of a long page; the export holds all of it, and reading it for the
// export shows progress and can be cancelled.
TEST(PreviewCommands, ExportWritesAllOfALongPage) {
    PreviewForm f;
    QString text;
    for (int k = 0; k < 3 * TPreviewDocument::kMaxWindow; ++k)
        text += QString("^BLine^b %1\r\n").arg(k);
    f.form.Clm1->SetText(text + "^IThe end");
    f.form.PreviewPanel1->toggleAction()->setChecked(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.form.PreviewPanel1->preview().complete(); }));
    EXPECT_LT(f.form.PreviewPanel1->preview().windowLines(), f.form.Clm1->Page().lineCount());
    f.dialogs.answer = "/out/page.pdf";
    f.form.FileExportPreviewPdf->trigger();
    ASSERT_EQ(f.printing.exports.size(), 1u);
    const QStringList lines = f.printing.exports[0].lines;
    ASSERT_EQ(lines.size(), 3 * TPreviewDocument::kMaxWindow + 1);
    EXPECT_EQ(lines.last(), "The end");
    EXPECT_EQ(f.printing.labels, std::vector<QString>{"Reading the page..."});
    EXPECT_EQ(f.printing.heard.back(), std::size_t(lines.size()));

    f.printing.exports.clear();
    f.printing.cancelAt = 1;
    f.form.FileExportPreviewPdf->trigger();
    EXPECT_TRUE(f.printing.exports.empty());
    EXPECT_TRUE(f.prompts.errors.isEmpty());
    f.form.PreviewPanel1->toggleAction()->setChecked(false);
}

TEST(PreviewCommands, ItsDockWidthAndFontComeBackAtTheNextStart) {
    forgetPreviewSettings();
    QFont chosen = TPreviewDocument::defaultFont();
    {
        PreviewForm f;
        f.form.resize(900, 600);
        f.form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.form));
        EXPECT_FALSE(f.form.PreviewPanel1->isVisible());
        f.form.PreviewPanel1->toggleAction()->trigger();
        EXPECT_TRUE(f.form.PreviewPanel1->isVisible());
        TFontAttributes font;
        font.name = chosen.family();
        font.size = 17;
        f.dialogs.fontAnswer = font;
        f.form.PreviewFont1->trigger();
        EXPECT_EQ(f.form.PreviewPanel1->preview().baseFont().pointSize(), 17);
        f.form.resizeDocks({f.form.PreviewPanel1}, {260}, Qt::Horizontal);
        QApplication::processEvents();
        f.form.close();
    }
    {
        PreviewForm f;
        f.form.resize(900, 600);
        f.form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.form));
        EXPECT_TRUE(f.form.PreviewPanel1->isVisible());
        EXPECT_TRUE(f.form.PreviewPanel1->toggleAction()->isChecked());
        EXPECT_NEAR(f.form.PreviewPanel1->width(), 260, 8);
        EXPECT_EQ(f.form.PreviewPanel1->preview().baseFont().pointSize(), 17);
        f.form.close();
    }
    forgetPreviewSettings();
}
