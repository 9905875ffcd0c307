// The main window's views of the page beside the editor: the outline, go to target and rename,
// completion as the author types, French spacing, and where each page was left.
#include "app/Unit1.h"

#include "app/DockLayout.h"
#include "app/DocumentCommands.h"
#include "app/PageNavigation.h"
#include "app/PrintCommands.h"
#include "document/PageDocument.h"
#include "editor/ColMemo.h"
#include "markup/CompletionPopup.h"
#include "markup/FrenchSpacing.h"
#include "markup/LpColorComboBox.h"
#include "markup/LpSpinEdit.h"
#include "markup/OutlinePanel.h"
#include "markup/PageIndexer.h"
#include "markup/core/Actions.h"
#include "platform/core/DockWidths.h"
#include "settings/FolderCommands.h"
#include "settings/LpIniCtrl.h"
#include "settings/PagePositions.h"
#include "settings/SettingsKeys.h"
#include "spelling/SpellService.h"

#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>

namespace {

// The file patterns of a dialog filter ("Sound Files|*.wav;*.mid").
QStringList patternsOf(const QString& filter) {
    return filter.section('|', 1).split(';', Qt::SkipEmptyParts);
}

// At first a quarter of the window's width.
constexpr double kOutlineFirstShare = 0.25;

} // namespace

void TForm1::createPageViews() {
    PageIndexer1 = new TPageIndexer(Clm1->Page(), this);
    OutlinePanel1 = new TOutlinePanel(Clm1, PageIndexer1, this);
    addDockWidget(Qt::LeftDockWidgetArea, OutlinePanel1);
    DockLayout1->addDock(OutlinePanel1, kOutlineFirstShare);
    OutlinePanel1->hide();
    View1->addAction(OutlinePanel1->toggleAction());

    Navigation1 = new TPageNavigation(
        {*Clm1, *PageIndexer1, *dialogs_, *prompts_,
         [this](const QString& note) { showNote(note, note.isEmpty() ? 0 : 8000); }},
        this);
    Navigation1->beforeCommand = [this] { document_->finishLoading(); };
    // Right after Go To Line.
    const QList<QAction*> edit = Edition1->actions();
    QAction* after = edit.value(edit.indexOf(EditGoToLine1) + 1);
    Edition1->insertActions(after, {Navigation1->goToTargetAction(), Navigation1->renameAction(),
                                    Navigation1->backAction()});

    Completion1 = new TCompletionPopup(Clm1, PageIndexer1, this);
    Completion1->sizeText = [this] { return SpinEdit1->text(); };
    Completion1->colorNumber = [this] { return LpColorComboBox1->currentIndex(); };
    Completion1->files = [this](int action) {
        const actions::TAssistant a = actions::actionAt(action).assistant;
        const QString folder = readFavouriteFolder(*RegCtrl1, favouriteFolderOf(a));
        const actions::TAssistantDialog& d = actions::assistantDialog(a);
        const QStringList patterns = patternsOf(
            d.filter.empty() ? OpenPic1.filter
                             : QString::fromLatin1(d.filter.data(), qsizetype(d.filter.size())));
        QStringList paths;
        if (folder.isEmpty())
            return paths;
        const QDir dir(folder);
        for (const QString& name : dir.entryList(patterns, QDir::Files, QDir::Name))
            paths << dir.absoluteFilePath(name);
        return paths;
    };
    FrenchSpacing = new TFrenchSpacing(Clm1, this);

    CodeCompletion1 = new QAction("Code &Completion", this);
    CodeCompletion1->setObjectName("CodeCompletion1");
    CodeCompletion1->setCheckable(true);
    CodeCompletion1->setChecked(true);
    connect(CodeCompletion1, &QAction::toggled, Completion1, &TCompletionPopup::setEnabled);
    FrenchSpacing1 = new QAction("French &Spacing", this);
    FrenchSpacing1->setObjectName("FrenchSpacing1");
    FrenchSpacing1->setCheckable(true);
    connect(FrenchSpacing1, &QAction::toggled, FrenchSpacing, &TFrenchSpacing::setEnabled);
    Options1->addSeparator();
    Options1->addAction(CodeCompletion1);
    Options1->addAction(FrenchSpacing1);

    positions_ = std::make_unique<TPagePositions>();
    document_->leavingPage = [this] {
        keepPagePosition();
        Spelling1->cancelGuess(); // a guess about the page left is not for the next one
        // What was said of the page leaving goes with it.
        if (StatusNote->text().startsWith(exportedNote(QString())))
            showNote(QString());
    };
    document_->pageLoaded = [this](const QString& path) {
        restorePagePosition(path);
        choosePageLanguage(path);
    };
}

void TForm1::readPageViewSettings() {
    using namespace settingsKeys;
    DockLayout1->setShare(OutlinePanel1,
                          docks::shareFromStored(RegCtrl1->ReadInteger(kSection, kOutlineShare, 0),
                                                 kOutlineFirstShare));
    OutlinePanel1->toggleAction()->setChecked(RegCtrl1->ReadBool(kSection, kOutline, false));
    CodeCompletion1->setChecked(RegCtrl1->ReadBool(kSection, kCompletion, true));
    FrenchSpacing1->setChecked(RegCtrl1->ReadBool(kSection, kFrenchSpacing, false));
    positions_->load(*RegCtrl1);
}

void TForm1::writePageViewSettings() {
    using namespace settingsKeys;
    RegCtrl1->WriteBool(kSection, kOutline, OutlinePanel1->toggleAction()->isChecked());
    RegCtrl1->WriteInteger(kSection, kOutlineShare,
                           docks::shareToStored(DockLayout1->share(OutlinePanel1)));
    RegCtrl1->WriteBool(kSection, kCompletion, CodeCompletion1->isChecked());
    RegCtrl1->WriteBool(kSection, kFrenchSpacing, FrenchSpacing1->isChecked());
}

void TForm1::keepPagePosition() {
    const TPageDocument& page = Clm1->Page();
    if (page.path().isEmpty())
        return;
    TPagePosition p;
    p.path = page.path();
    p.caret = page.offsetFromPosition(Clm1->textCursor().position());
    const TPageDocument::TLineColumn at = page.lineColumnOfOffset(p.caret);
    p.line = at.line;
    p.column = at.column;
    p.top = page.lineOfBlock(Clm1->cursorForPosition(QPoint(0, 0)).blockNumber());
    p.size = page.diskStamp().exists ? page.diskStamp().size : -1;
    p.hash = page.diskStamp().hash;
    p.language = pageLanguage(p.path);
    positions_->remember(p);
}

void TForm1::restorePagePosition(const QString& path) {
    const std::optional<TPagePosition> kept = positions_->find(path);
    // The author may have moved or typed already while the page was loading: that place counts,
    // and the keys typed go where the caret was shown.
    if (!kept || Clm1->textCursor().position() != 0 || Clm1->textCursor().hasSelection() ||
        Clm1->holdingKeys())
        return;
    const TPageDocument& page = Clm1->Page();
    const TFileStamp& disk = page.diskStamp();
    const bool same = disk.exists && disk.size == kept->size && disk.hash == kept->hash;
    const TPagePositions::TRestore r = TPagePositions::restoreIn(*kept, same, page.lineCount());
    int offset = 0;
    if (r.exact) {
        offset = std::min(kept->caret, page.length());
    } else {
        const int start = page.lineOffset(r.line);
        offset = start + std::min(r.column, static_cast<int>(page.lineText(r.line).size()));
    }
    Clm1->SetSelStart(offset);
    Clm1->verticalScrollBar()->setValue(page.firstBlockOfLine(std::min(r.top, r.line)));
    Clm1->ensureCursorVisible();
}
