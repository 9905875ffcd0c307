// The page preview in the main window: its dock at the right of the editor and its View item
// (F6), its font, its export as PDF, and what the settings store keeps of it.
#include "app/Unit1.h"

#include "app/DockLayout.h"
#include "app/DocumentCommands.h"
#include "app/PrintCommands.h"
#include "document/PageDocument.h"
#include "editor/ColMemo.h"
#include "markup/PreviewDocument.h"
#include "markup/PreviewPanel.h"
#include "platform/QtFonts.h"
#include "platform/core/DockWidths.h"
#include "settings/LpIniCtrl.h"
#include "settings/SettingsKeys.h"

#include <QAction>
#include <QMenu>

#include <algorithm>

namespace {

// At first a third of the window; the editor stays the main thing.
constexpr double kPreviewFirstShare = 1.0 / 3;

} // namespace

void TForm1::createPreview() {
    PreviewPanel1 = new TPreviewPanel(Clm1, this);
    addDockWidget(Qt::RightDockWidgetArea, PreviewPanel1);
    DockLayout1->addDock(PreviewPanel1, kPreviewFirstShare);
    PreviewPanel1->hide();
    PreviewPanel1->showNote = [this](const QString& text) { showNote(text, 8000); };
    View1->addAction(PreviewPanel1->toggleAction());
}

void TForm1::restorePreview() {
    using namespace settingsKeys;
    TFontAttributes font;
    setFontAttributes(font, TPreviewDocument::defaultFont());
    if (RegCtrl1->ReadFont(kSection, kPreviewFont, font)) {
        previewFontChosen_ = true;
        PreviewPanel1->setBaseFont(toQFont(font));
    }
    if (!RegCtrl1->ReadBool(kSection, kPreview, false))
        return;
    // A width in pixels, from an earlier version, is taken as a share of this window.
    const int pixels = RegCtrl1->ReadInteger(kSection, kPreviewWidth, 0);
    const double earlier = pixels > 0 ? double(pixels) / std::max(width(), 1) : kPreviewFirstShare;
    DockLayout1->setShare(PreviewPanel1,
                          docks::shareFromStored(RegCtrl1->ReadInteger(kSection, kPreviewShare, 0),
                                                 std::min(earlier, docks::kMostShare)));
    PreviewPanel1->toggleAction()->setChecked(true);
}

void TForm1::storePreview() {
    using namespace settingsKeys;
    const bool shown = PreviewPanel1->toggleAction()->isChecked();
    RegCtrl1->WriteBool(kSection, kPreview, shown);
    if (shown) {
        RegCtrl1->WriteInteger(kSection, kPreviewShare,
                               docks::shareToStored(DockLayout1->share(PreviewPanel1)));
        RegCtrl1->WriteInteger(kSection, kPreviewWidth, PreviewPanel1->width());
    }
    if (previewFontChosen_) {
        TFontAttributes font;
        setFontAttributes(font, PreviewPanel1->preview().baseFont());
        RegCtrl1->WriteFont(kSection, kPreviewFont, font);
    }
}

void TForm1::PreviewFont1Click() {
    TFontAttributes font;
    setFontAttributes(font, PreviewPanel1->preview().baseFont());
    if (!dialogs().executeFont(font))
        return;
    previewFontChosen_ = true;
    PreviewPanel1->setBaseFont(toQFont(font));
}

void TForm1::FileExportPreviewPdfClick() {
    // The whole page, whatever part of it the preview holds, shown or not.
    TPreviewDocument& preview = PreviewPanel1->preview();
    const bool written =
        exportPreviewAsPdf(*dialogs_, printing(), ExportDialog1, SaveDialog1,
                           [&](QTextDocument& into, const std::function<bool(int, int)>& progress) {
                               return preview.writePage(into, progress);
                           });
    if (written)
        showNote(exportedNote(ExportDialog1.fileName));
}
