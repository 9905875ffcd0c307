// The main window's wiring: each of its menu and toolbar commands (document, style, action, find,
// print and export commands, start and close, recovery, drops) is a short handler here, and the
// work itself lives in the command classes. The menus, toolbar and status bar are made in
// MainWindowParts.cpp, and the views of the page beside the editor in their own parts files
// (PreviewParts, PageViewParts, SpellingParts). What is left is one list of handlers, a few lines
// each, kept together as the window's table of commands, which takes it past 600 lines.
#include "app/Unit1.h"

#include "app/About.h"
#include "app/BookExportCommand.h"
#include "app/CommandLine.h"
#include "app/DockLayout.h"
#include "app/DocumentCommands.h"
#include "app/FileDrop.h"
#include "app/FindBar.h"
#include "app/PageNavigation.h"
#include "app/PagesPanel.h"
#include "app/PrintCommands.h"
#include "app/Recovery.h"
#include "document/PageDocument.h"
#include "document/RecoveryFiles.h"
#include "editor/ColMemo.h"
#include "markup/ActionCommands.h"
#include "markup/CheckPanel.h"
#include "markup/CompletionPopup.h"
#include "markup/LpColorComboBox.h"
#include "markup/LpComboBox.h"
#include "markup/LpSpinEdit.h"
#include "markup/OutlinePanel.h"
#include "markup/PageIndexer.h"
#include "markup/StyleCommands.h"
#include "markup/core/PageMarkup.h"
#include "platform/ErrorTexts.h"
#include "platform/Errors.h"
#include "platform/HelpViewer.h"
#include "platform/Printing.h"
#include "platform/QtDialogs.h"
#include "platform/QtPrompts.h"
#include "settings/FolderCommands.h"
#include "settings/LpBrowseDlg.h"
#include "settings/LpIniCtrl.h"
#include "settings/LpMRUList.h"
#include "settings/PagePositions.h"
#include "settings/SettingsKeys.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace {

const QString kTextFilter = QStringLiteral("Fichiers texte|*.txt");

} // namespace

// The favourite folder an assistant's dialog starts in. The program assistant has none of its
// own: its dialog starts where the text folder left the open dialog.
TFavouriteFolder favouriteFolderOf(actions::TAssistant assistant) {
    using enum actions::TAssistant;
    switch (assistant) {
    case Picture:
        return TFavouriteFolder::pictures;
    case Sound:
        return TFavouriteFolder::sounds;
    case Video:
        return TFavouriteFolder::videos;
    case None:
    case Program:
    case Text:
        break;
    }
    return TFavouriteFolder::text;
}

QIcon lpImage(int index) {
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(index, 2, 10, QLatin1Char('0')));
}

// ---------------------------------------------------------------------------------------------
// Construction

TForm1::TForm1(TForm1Services services, QWidget* parent) : QMainWindow(parent) {
    if (!services.prompts)
        ownPrompts_ = std::make_unique<TQtPrompts>(this);
    if (!services.dialogs)
        ownDialogs_ = std::make_unique<TQtDialogs>(this);
    if (!services.printing)
        ownPrinting_ = std::make_unique<TQtPrintService>(this);
    prompts_ = services.prompts ? services.prompts : ownPrompts_.get();
    dialogs_ = services.dialogs ? services.dialogs : ownDialogs_.get();
    printing_ = services.printing ? services.printing : ownPrinting_.get();
    folderBrowser_ = services.folderBrowser;

    setObjectName("Form1");
    setWindowTitle("Lark Pad");
    resize(635, 480);

    RegCtrl1 = std::make_unique<TLpIniCtrl>(this);
    RegCtrl1->Target = itRegistry;
    RegCtrl1->RegPath = "Software\\Larkpad";
    RegCtrl1->setIniFile("Settings.ini");
    RegCtrl1->IniPrefix = ppProgram;

    OpenDialog1.filter = kTextFilter;
    OpenDialog1.readOnlyShown = true;
    OpenDialog1.readOnlyChecked = true;
    SaveDialog1.filter = kTextFilter;
    SaveDialog1.defaultExt = "txt";
    SaveDialog1.overwritePrompt = true;
    OpenPic1.filter = "Fichiers image|*.bmp;*.jpg;*.ico;*.wmf";
    BrowseDlg1 = new TLpBrowseDlg(this);

    // The page is the window's own; it takes its place among the children once every view of it
    // is made, so that it goes after them.
    Page1 = new TPageDocument;
    Clm1 = new TColorMemo(Page1, this);
    Clm1->setObjectName("Clm1");
    Clm1->SetScrollBars(ssVertical);
    markup::applyEditorRuleSet(Clm1->ColorRules().Add());
    // The find bar sits under the editor.
    auto* editArea = new QWidget(this);
    auto* column = new QVBoxLayout(editArea);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(Clm1);
    FindBar1 = new TFindBar(*Clm1, editArea);
    FindBar1->hide();
    column->addWidget(FindBar1);
    setCentralWidget(editArea);
    setAcceptDrops(true);

    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    createMarkupMenu();
    CheckPanel1 = new TCheckPanel(Clm1, this);
    addDockWidget(Qt::BottomDockWidgetArea, CheckPanel1);
    CheckPanel1->hide();
    Edition1->addSeparator();
    Edition1->addAction(CheckPanel1->toggleAction());
    createSpelling();
    DockLayout1 = new TDockLayout(*this, *Clm1);
    createPreview();
    document_ = std::make_unique<TDocumentCommands>(
        TDocumentCommands::TParts{*prompts_, *dialogs_, *Clm1, OpenDialog1, SaveDialog1});
    document_->addRecentFile = [this](const QString& path) {
        if (addRecentFile)
            addRecentFile(path);
    };
    recovery_ = std::make_unique<TRecovery>(
        TRecovery::TParts{Clm1->Page(), *document_, *prompts_, *dialogs_}, recoveryFolder());
    document_->textClean = [this] { recovery_->discard(); };
    document_->loadingChanged = [this](bool loading) {
        LoadProgress->setValue(0);
        LoadProgress->setVisible(loading);
        showNote(loading ? loadingNote(0) : QString());
        if (loading)
            StatusNote->setToolTip(loadingNoteTip(0));
    };
    document_->loadProgress = [this](int percent) {
        if (percent != LoadProgress->value()) {
            showNote(loadingNote(percent));
            StatusNote->setToolTip(loadingNoteTip(percent));
        }
        LoadProgress->setValue(percent);
    };
    FindBar1->beforeReplace = [this] { document_->finishLoading(); };
    createPageViews();
    createBook();
    recovery_->cannotWrite = [this](const QString& message) { showNote(message); };

    // Asking the clipboard whether it holds text is a round trip to the display server (and to
    // the program that owns the clipboard): asked when the clipboard changes, never per key.
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        readClipboard();
        updateEditActions();
    });
    readClipboard();
    connect(qApp, &QApplication::focusChanged, this, &TForm1::updateEditActions);
    connect(Clm1, &QPlainTextEdit::selectionChanged, this, &TForm1::updateEditActions);
    connect(Clm1, &QPlainTextEdit::textChanged, this, &TForm1::updateEditActions);
    connect(SpinEdit1->editor(), &QLineEdit::selectionChanged, this, &TForm1::updateEditActions);
    connect(SpinEdit1->editor(), &QLineEdit::textChanged, this, &TForm1::updateEditActions);
    connect(Clm1, &QPlainTextEdit::cursorPositionChanged, this, &TForm1::updateCaretPanel);
    connect(Clm1, &QPlainTextEdit::undoAvailable, EditUndo1, &QAction::setEnabled);
    connect(Clm1, &QPlainTextEdit::redoAvailable, EditRedo1, &QAction::setEnabled);
    connect(Clm1, &TColorMemo::charactersLost, this,
            [this](int count) { showNote(lostCharactersNote(count), 10000); });
    updateCaretPanel();
    qApp->installEventFilter(this);

    // The recent-files list loads itself before the creation handler runs.
    runCommand([this] { createRecentFiles(); });
    runCommand([this] { FormCreate(); });
    // The about box comes after the window's creation handler, and lives as long as the window.
    AboutBox = new TAboutBox(this);
    AboutBox->hide();
    Page1->setParent(this);
    updateEditActions();
}

TForm1::~TForm1() {
    qApp->removeEventFilter(this);
    // The children die after this body, when this object is a plain QWidget again: the focus
    // leaving a dying child, or the editor's last signals, must not reach a TForm1 slot then.
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(QApplication::clipboard(), nullptr, this, nullptr);
    disconnect(Clm1, nullptr, this, nullptr);
    disconnect(SpinEdit1->editor(), nullptr, this, nullptr);
    // Docks hide as they die: neither their layout nor the book hears of it from a dying window.
    disconnect(PagesPanel1, nullptr, this, nullptr);
    delete DockLayout1;
    DockLayout1 = nullptr;
    // The recent-files list saves itself when the window is destroyed, after its close handler,
    // unless the close saved it as it is.
    if (MRUList1 && (!savedRecentFiles_ || *savedRecentFiles_ != MRUList1->Items()))
        runCommand([this] { MRUList1->SaveToStore(); });
}

void TForm1::updateCaretPanel() {
    const QPoint at = Clm1->CaretLineColumn();
    const QString text = QString("%1:%2").arg(at.y()).arg(at.x());
    if (text == StatusPanel2->text())
        return;
    // A label whose size is fixed repaints only itself when its text changes; one whose height
    // may still change has the whole status bar laid out and repainted again, at every key.
    if (StatusPanel2->isVisible() && StatusPanel2->minimumHeight() != StatusPanel2->height())
        StatusPanel2->setFixedHeight(StatusPanel2->height());
    StatusPanel2->setText(text);
}

void TForm1::runCommand(const std::function<void()>& command) {
    try {
        command();
    } catch (const TLpError& e) {
        prompts_->applicationError(e.message());
    } catch (const std::bad_alloc&) {
        prompts_->applicationError(errortext::outOfMemory);
    } catch (const std::exception& e) {
        prompts_->applicationError(QString::fromLocal8Bit(e.what()));
    }
}

// ---------------------------------------------------------------------------------------------
// Start and close

void TForm1::FormCreate() {
    helpFile_ = locateHelpFile(QApplication::applicationDirPath());
    using namespace settingsKeys;
    // A stored size beyond the screen's work area is cut to it, as the desktop does with a window
    // asked to open larger than the screen.
    const QSize room = screen() ? screen()->availableGeometry().size() : QSize(32767, 32767);
    const int height = std::min(RegCtrl1->ReadInteger(kSection, kHeight, 0), room.height());
    const int width = std::min(RegCtrl1->ReadInteger(kSection, kWidth, 0), room.width());
    resize(size().width(), height);
    resize(width, height);
    AstPic1->setChecked(RegCtrl1->ReadBool(kSection, kAssistants, true));
    readSpellingSettings();
    OpenDialog1.initialDir = readFavouriteFolder(*RegCtrl1, TFavouriteFolder::text);
    SaveDialog1.initialDir = OpenDialog1.initialDir;
    if (height < 50)
        resize(640, 480);
    if (RegCtrl1->ReadBool(kSection, kMaximized, false))
        setWindowState(windowState() | Qt::WindowMaximized);
    readPageViewSettings();
    readBookSettings();
}

void TForm1::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    // Centred on the screen at its first showing, unless it comes back maximised.
    if (QScreen* screen = this->screen(); screen && !isMaximized()) {
        const QRect available = screen->availableGeometry();
        QRect r = frameGeometry();
        r.moveCenter(available.center());
        // A size stored on a larger screen is kept, but the title bar and the top-left corner
        // stay on this one, where the window can still be grabbed, moved and resized.
        r.moveTop(std::max(r.top(), available.top()));
        r.moveLeft(std::max(r.left(), available.left()));
        move(r.topLeft());
    }
    runCommand([this] { FormShow(); });
    runCommand([this] { restorePreview(); });
}

void TForm1::FormShow() {
    TFontAttributes font = Clm1->EditorFont();
    try {
        if (RegCtrl1->ReadFont(settingsKeys::kSection, settingsKeys::kFont, font))
            Clm1->SetEditorFont(font);
    } catch (const TLpError&) {
        // The fields read before the failing one (face, size) stay set.
        Clm1->SetEditorFont(font);
        Clm1->setFocus();
        throw;
    }
    Clm1->setFocus();
}

void TForm1::closeEvent(QCloseEvent* e) {
    bool canClose = true;
    runCommand([&] { canClose = FormCloseQuery(); });
    if (!canClose) {
        e->ignore();
        return;
    }
    // Settings that cannot be written are told once, while the window is still there: the
    // recent files are saved now too, and not again when the window is destroyed.
    std::optional<QString> failure;
    auto settingsWrite = [&](const std::function<void()>& write) {
        try {
            write();
        } catch (const TLpError& error) {
            if (!failure)
                failure = error.message();
        } catch (const std::exception& error) {
            if (!failure)
                failure = QString::fromLocal8Bit(error.what());
        }
    };
    settingsWrite([this] { FormClose(); });
    if (MRUList1) {
        settingsWrite([this] { MRUList1->SaveToStore(); });
        savedRecentFiles_ = MRUList1->Items();
    }
    if (failure)
        prompts_->applicationError(*failure);
    document_->cancelLoading();
    e->accept();
}

void TForm1::FormClose() {
    using namespace settingsKeys;
    // First: every write rewrites the whole store, which may have grown large with places.
    keepPagePosition();
    positions_->save(*RegCtrl1);
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
        RegCtrl1->WriteInteger(kSection, kHeight, height());
        RegCtrl1->WriteInteger(kSection, kWidth, width());
    }
    RegCtrl1->WriteBool(kSection, kMaximized, windowState() & Qt::WindowMaximized);
    RegCtrl1->WriteBool(kSection, kAssistants, AstPic1->isChecked());
    RegCtrl1->WriteFont(kSection, kFont, Clm1->EditorFont());
    writeSpellingSettings();
    writePageViewSettings();
    writeBookSettings();
    storePreview();
    recovery_->closeNormally();
}

void TForm1::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    // Back from another program: look whether it changed the page. Not while a dialog or a
    // command of this window is still under way (the check waits for the event loop).
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        QTimer::singleShot(0, this, [this] {
            if (isActiveWindow() && !QApplication::activeModalWidget())
                runCommand([this] { document_->checkDisk(); });
        });
}

void TForm1::Quitter1Click() {
    close();
}

// ---------------------------------------------------------------------------------------------
// Document commands

bool TForm1::FormCloseQuery() {
    // A failed save shows its error here and keeps the window open.
    bool canClose = false;
    runCommand([&] { canClose = document_->closeQuery(); });
    return canClose;
}

void TForm1::FileNewClick() {
    document_->fileNew();
}

void TForm1::FileOpenClick() {
    document_->fileOpen();
}

void TForm1::FileSaveClick() {
    document_->fileSave();
}

void TForm1::FileSaveAsClick() {
    document_->fileSaveAs();
}

void TForm1::MRUList1Click(const QString& aValue, bool& Remove) {
    runCommand([&] { document_->openRecent(aValue, Remove); });
}

void TForm1::openFromCommandLine(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (recoveredAtStart_) {
        if (addRecentFile && QFileInfo(absolute).isFile())
            runCommand([&] { addRecentFile(absolute); });
        return;
    }
    runCommand([&] {
        // A new file in an existing folder is a page to write; a missing folder is the open's
        // error.
        const QFileInfo file(absolute);
        if (!file.exists() && !file.isSymLink() && file.dir().exists())
            document_->startNamed(absolute);
        else
            document_->openPath(absolute);
    });
}

bool TForm1::recoverAtStart() {
    runCommand([this] { recoveredAtStart_ = recovery_->offerRecovery(); });
    return recoveredAtStart_;
}

void TForm1::dropFiles(const QStringList& files) {
    if (files.isEmpty())
        return;
    runCommand([&] { document_->openFile(files.first()); });
    if (files.size() > 1 && document_->currentFileName() == files.first())
        showNote(QString("Only one page is open at a time: %1 was opened")
                     .arg(QFileInfo(files.first()).fileName()),
                 8000);
}

void TForm1::showNote(const QString& text, int milliseconds) {
    StatusNote->setText(text);
    StatusNote->setToolTip(text);
    if (milliseconds > 0)
        QTimer::singleShot(milliseconds, StatusNote, [label = StatusNote, text] {
            if (label->text() == text) {
                label->clear();
                label->setToolTip(QString());
            }
        });
}

// ---------------------------------------------------------------------------------------------
// Printing

void TForm1::FilePrintClick() {
    if (auto lines = linesToPrint(printing(), *Clm1))
        printText(printing(), std::move(*lines), Clm1->EditorFont());
}

void TForm1::FilePreviewClick() {
    if (auto lines = linesToPrint(printing(), *Clm1))
        printing().preview(std::move(*lines), Clm1->EditorFont());
}

void TForm1::FileExportPdfClick() {
    if (exportAsPdf(*dialogs_, printing(), ExportDialog1, SaveDialog1, *Clm1))
        showNote(exportedNote(ExportDialog1.fileName));
}

void TForm1::FileExportBookHtmlClick() {
    // The window stays live while the book is written: the command does not start twice.
    FileExportBookHtml->setEnabled(false);
    const std::unique_ptr<QAction, void (*)(QAction*)> enable(
        FileExportBookHtml, [](QAction* a) { a->setEnabled(true); });
    exportBookAsHtml({*dialogs_, prompts(), printing(), *RegCtrl1, SaveDialog1.fileName,
                      Clm1->Page().pageBytes(),
                      [this](const QString& folder) { showNote(exportedNote(folder)); }});
}

// ---------------------------------------------------------------------------------------------
// Style commands

void TForm1::BoldButClick() {
    style::bold(*Clm1);
}

void TForm1::ItalButClick() {
    style::italic(*Clm1);
}

void TForm1::UnderlineButClick() {
    style::underlined(*Clm1);
}

void TForm1::StrikeButClick() {
    style::strikeout(*Clm1);
}

void TForm1::InvertButClick() {
    style::inverseVideo(*Clm1);
}

void TForm1::CenterButClick() {
    style::center(*Clm1);
}

void TForm1::TabButClick() {
    style::tab(*Clm1);
}

void TForm1::ToolButton1Click() {
    style::variable(*Clm1);
}

void TForm1::SpinEdit1DblClick() {
    style::fontSize(*Clm1, SpinEdit1->text());
}

void TForm1::LpColorComboBox1Select() {
    style::fontColor(*Clm1, LpColorComboBox1->currentIndex());
}

void TForm1::TargetButClick() {
    style::target(*Clm1);
}

void TForm1::LinkButClick() {
    style::linkToTarget(*Clm1);
}

// ---------------------------------------------------------------------------------------------
// Action box and favourite folders

void TForm1::LpComboBox1DblClick() {
    const auto folder = [this](actions::TAssistant a) {
        return readFavouriteFolder(*RegCtrl1, favouriteFolderOf(a));
    };
    const TActionBoxContext context{*Clm1, folder, *dialogs_, *prompts_, OpenDialog1, OpenPic1};
    insertActionLink(context, LpComboBox1->currentIndex(), AstPic1->isChecked());
}

void TForm1::TxtFolderClick() {
    chooseFavouriteFolder(TFavouriteFolder::text, *BrowseDlg1, folderBrowser_, *RegCtrl1,
                          OpenDialog1, SaveDialog1);
}

void TForm1::PicFolderClick() {
    chooseFavouriteFolder(TFavouriteFolder::pictures, *BrowseDlg1, folderBrowser_, *RegCtrl1,
                          OpenDialog1, SaveDialog1);
}

void TForm1::SoundsFolderClick() {
    chooseFavouriteFolder(TFavouriteFolder::sounds, *BrowseDlg1, folderBrowser_, *RegCtrl1,
                          OpenDialog1, SaveDialog1);
}

void TForm1::VideoFolderClick() {
    chooseFavouriteFolder(TFavouriteFolder::videos, *BrowseDlg1, folderBrowser_, *RegCtrl1,
                          OpenDialog1, SaveDialog1);
}

// ---------------------------------------------------------------------------------------------
// View commands and help

void TForm1::Retourauto1Click() {
    Clm1->SetWordWrap(!Clm1->WordWrap());
    Clm1->SetScrollBars(Clm1->WordWrap() ? ssVertical : ssBoth);
    // The action has flipped its own check mark already; the editor's state is what counts.
    Retourauto1->setChecked(Clm1->WordWrap());
}

void TForm1::AstPic1Click() {
    AstPic1->setChecked(!AstPic1->isChecked());
    showNote(AstPic1->isChecked() ? "Assistants on" : "Assistants off", 4000);
}

void TForm1::Police1Click() {
    TFontAttributes font = Clm1->EditorFont();
    if (dialogs().executeFont(font))
        Clm1->SetEditorFont(font);
}

void TForm1::APropos1Click() {
    AboutBox->exec();
}

void TForm1::HelpContents1Execute() {
    if (!HelpViewer)
        HelpViewer = new THelpViewer(this);
    HelpViewer->showContents(helpFile_);
}

// ---------------------------------------------------------------------------------------------
// Undo, find and go to line

void TForm1::EditUndo1Click() {
    Clm1->Undo();
}

void TForm1::EditRedo1Click() {
    Clm1->Redo();
}

void TForm1::EditFind1Click() {
    FindBar1->openBar(false);
}

void TForm1::EditReplace1Click() {
    FindBar1->openBar(true);
}

void TForm1::EditFindNext1Click() {
    if (FindBar1->isHidden())
        FindBar1->openBar(false);
    else
        FindBar1->findNext();
}

void TForm1::EditFindPrevious1Click() {
    if (FindBar1->isHidden())
        FindBar1->openBar(false);
    else
        FindBar1->findPrevious();
}

void TForm1::EditGoToLine1Click() {
    const int lines = Clm1->TextLineCount();
    int line = Clm1->CaretLineColumn().y();
    if (!dialogs().executeGoToLine(lines, line) || line < 1 || line > lines)
        return;
    Clm1->setTextCursor(Clm1->LineStart(line - 1));
    Clm1->centerCursor();
    Clm1->setFocus();
}

// ---------------------------------------------------------------------------------------------
// Edit actions

QWidget* TForm1::focusedTextControl() {
    QWidget* w = QApplication::focusWidget();
    // While a menu is open it has the focus; the edit actions still mean the control the author
    // was typing in.
    if (QApplication::activePopupWidget() || qobject_cast<QMenu*>(w) || qobject_cast<QMenuBar*>(w))
        return textFocus_;
    if (qobject_cast<QPlainTextEdit*>(w) || qobject_cast<TLpSpinEdit*>(w) ||
        qobject_cast<QLineEdit*>(w))
        textFocus_ = w;
    else
        textFocus_ = nullptr;
    return textFocus_;
}

namespace {

QLineEdit* asLineEdit(QWidget* w) {
    if (auto* spin = qobject_cast<TLpSpinEdit*>(w))
        return spin->editor();
    return qobject_cast<QLineEdit*>(w);
}

} // namespace

void TForm1::editAction(QAction* action) {
    // The editor and a line edit offer the same four operations under the same names.
    auto apply = [&](auto* control) {
        if (action == EditCopy1)
            control->copy();
        else if (action == EditCut1)
            control->cut();
        else if (action == EditPaste1)
            control->paste();
        else
            control->selectAll();
    };
    QWidget* w = focusedTextControl();
    if (auto* edit = qobject_cast<QPlainTextEdit*>(w))
        apply(edit);
    else if (QLineEdit* line = asLineEdit(w))
        apply(line);
    updateEditActions();
}

void TForm1::readClipboard() {
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    clipboardHasText_ = clip && clip->hasText();
}

void TForm1::updateEditActions() {
    bool hasSelection = false, hasText = false, focused = false;
    QWidget* w = focusedTextControl();
    if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
        focused = true;
        hasSelection = edit->textCursor().hasSelection();
        hasText = !edit->document()->isEmpty();
    } else if (QLineEdit* line = asLineEdit(w)) {
        focused = true;
        hasSelection = line->hasSelectedText();
        hasText = !line->text().isEmpty();
    }
    EditCopy1->setEnabled(focused && hasSelection);
    EditCut1->setEnabled(focused && hasSelection);
    EditPaste1->setEnabled(focused && clipboardHasText_);
    EditSelectAll1->setEnabled(focused && hasText);
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
    // Status tips (of menus, actions, widgets) would cover the status panels: never shown.
    if (e->type() == QEvent::StatusTip) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this)
            return true;
    }
    // Files dragged from a file manager, anywhere on the window, also over the editor.
    const QEvent::Type type = e->type();
    if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this &&
            takeFileDrag(e, this, [this](const QStringList& files) { dropFiles(files); }))
            return true;
    }
    // Ctrl+A is the Assistants switch everywhere in this window, also in the size box; only the
    // find bar's fields keep it for selecting their text.
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        auto* w = qobject_cast<QWidget*>(watched);
        if (k->matches(QKeySequence::SelectAll) && w && w->window() == this &&
            !FindBar1->isField(w)) {
            e->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}
