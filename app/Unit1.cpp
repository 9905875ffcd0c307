// The main window's wiring: each of its many menu and toolbar commands (document, style, action,
// find, print and export commands, start and close, recovery, drops) is a short handler here,
// which takes the file past 600 lines; the work itself lives in the command classes.
#include "app/Unit1.h"

#include "app/About.h"
#include "app/CommandLine.h"
#include "app/DocumentCommands.h"
#include "app/FileDrop.h"
#include "app/FindBar.h"
#include "app/PrintCommands.h"
#include "app/Recovery.h"
#include "editor/ColMemo.h"
#include "markup/ActionCommands.h"
#include "markup/CheckPanel.h"
#include "markup/LpColorComboBox.h"
#include "markup/LpComboBox.h"
#include "markup/LpSpinEdit.h"
#include "markup/StyleCommands.h"
#include "markup/core/PageMarkup.h"
#include "platform/Errors.h"
#include "platform/HelpViewer.h"
#include "platform/Printing.h"
#include "platform/RecoveryFiles.h"
#include "settings/FolderCommands.h"
#include "settings/LpBrowseDlg.h"
#include "settings/LpIniCtrl.h"
#include "settings/LpMRUList.h"
#include "settings/SettingsKeys.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace {

const QString kTextFilter = QStringLiteral("Fichiers texte|*.txt");

} // namespace

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

    Clm1 = new TColorMemo(this);
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
    CheckPanel1 = new TCheckPanel(Clm1, this);
    addDockWidget(Qt::BottomDockWidgetArea, CheckPanel1);
    CheckPanel1->hide();
    Edition1->addSeparator();
    Edition1->addAction(CheckPanel1->toggleAction());
    document_ = std::make_unique<TDocumentCommands>(TDocumentCommands::TParts{
        *prompts_, *dialogs_, *Clm1, OpenDialog1, SaveDialog1, *StatusPanel1});
    document_->addRecentFile = [this](const QString& path) {
        if (addRecentFile)
            addRecentFile(path);
    };
    recovery_ = std::make_unique<TRecovery>(TRecovery::TParts{*Clm1, *document_, *prompts_},
                                            recoveryFolder());
    document_->textClean = [this] { recovery_->discard(); };
    document_->loadingChanged = [this](bool loading) {
        LoadProgress->setValue(0);
        LoadProgress->setVisible(loading);
        showNote(loading ? kLoadingNote : QString());
    };
    document_->loadProgress = [this](int percent) { LoadProgress->setValue(percent); };
    FindBar1->beforeReplace = [this] { document_->finishLoading(); };
    recovery_->cannotWrite = [this] { showNote("Recovery copies cannot be written"); };

    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TForm1::updateEditActions);
    connect(qApp, &QApplication::focusChanged, this, &TForm1::updateEditActions);
    connect(Clm1, &QPlainTextEdit::selectionChanged, this, &TForm1::updateEditActions);
    connect(Clm1, &QPlainTextEdit::textChanged, this, &TForm1::updateEditActions);
    connect(SpinEdit1->editor(), &QLineEdit::selectionChanged, this, &TForm1::updateEditActions);
    connect(SpinEdit1->editor(), &QLineEdit::textChanged, this, &TForm1::updateEditActions);
    connect(Clm1, &QPlainTextEdit::cursorPositionChanged, this, &TForm1::updateCaretPanel);
    connect(Clm1, &QPlainTextEdit::undoAvailable, EditUndo1, &QAction::setEnabled);
    connect(Clm1, &QPlainTextEdit::redoAvailable, EditRedo1, &QAction::setEnabled);
    updateCaretPanel();
    qApp->installEventFilter(this);

    // The recent-files list loads itself before the creation handler runs.
    runCommand([this] { createRecentFiles(); });
    runCommand([this] { FormCreate(); });
    // The about box comes after the window's creation handler, and lives as long as the window.
    AboutBox = new TAboutBox(this);
    AboutBox->hide();
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
    // The recent-files list saves itself when the window is destroyed, after its close handler,
    // unless the close saved it as it is.
    if (MRUList1 && (!savedRecentFiles_ || *savedRecentFiles_ != MRUList1->Items()))
        runCommand([this] { MRUList1->SaveToStore(); });
}

void TForm1::createRecentFiles() {
    MRUList1 = new TLpMRUList(this);
    MRUList1->setObjectName("MRUList1");
    MRUList1->Options = moShowAccel | moSubIfEmpty | moSubClearOption;
    MRUList1->SetMaxEntries(4);
    MRUList1->IniLink = RegCtrl1.get();
    MRUList1->IniUse = ioUseLink;
    MRUList1->SetSection(settingsKeys::kRecentFilesSection);
    MRUList1->Prompts = prompts_;
    MRUList1->OnClick = [this](QAction*, const QString& aValue, bool& Remove) {
        MRUList1Click(aValue, Remove);
    };
    MRUList1->SetStyle(msCreateSubMenu);
    MRUList1->SetMenuItem(Recents->menuAction());
    MRUList1->LoadFromStore();
    addRecentFile = [this](const QString& path) { MRUList1->Add(path); };
}

void TForm1::createActions() {
    auto make = [this](const QString& caption, int image, auto handler) {
        auto* a = new QAction(caption, this);
        if (image >= 0)
            a->setIcon(lpImage(image));
        connect(a, &QAction::triggered, this, [this, handler] {
            runCommand([this, handler] {
                // A command that works on the page waits until the page is complete; New, Open
                // and Exit replace or drop it instead.
                if (handler != &TForm1::FileNewClick && handler != &TForm1::FileOpenClick &&
                    handler != &TForm1::Quitter1Click && handler != &TForm1::APropos1Click &&
                    handler != &TForm1::HelpContents1Execute)
                    document_->finishLoading();
                (this->*handler)();
            });
        });
        return a;
    };
    auto button = [&](const QString& name, int image, const QString& hint, auto handler) {
        QAction* a = make(hint, image, handler);
        a->setObjectName(name);
        a->setToolTip(hint); // a hint is a tooltip only: the status bar keeps its panels
        return a;
    };

    NewBut = button("NewBut", 0, "New File", &TForm1::FileNewClick);
    OpenBut = button("OpenBut", 1, "Open File", &TForm1::FileOpenClick);
    SaveBut = button("SaveBut", 2, "Save File", &TForm1::FileSaveClick);
    SaveAsBut = button("SaveAsBut", 3, "Save File As", &TForm1::FileSaveAsClick);
    BoldBut = button("BoldBut", 11, "Bold", &TForm1::BoldButClick);
    ItalBut = button("ItalBut", 12, "Italic", &TForm1::ItalButClick);
    UnderlineBut = button("UnderlineBut", 13, "Underlined", &TForm1::UnderlineButClick);
    StrikeBut = button("StrikeBut", 22, "Strikeout", &TForm1::StrikeButClick);
    InvertBut = button("InvertBut", 18, "Inverse Video", &TForm1::InvertButClick);
    CenterBut = button("CenterBut", 14, "Center", &TForm1::CenterButClick);
    TabBut = button("TabBut", 15, "Tab", &TForm1::TabButClick);
    ToolButton1 = button("ToolButton1", 23, "Variable", &TForm1::ToolButton1Click);
    TargetBut = button("TargetBut", 16, "Target", &TForm1::TargetButClick);
    LinkBut = button("LinkBut", 17, "Link To Target", &TForm1::LinkButClick);

    FileNew = make("&New", 0, &TForm1::FileNewClick);
    FileNew->setShortcut(QKeySequence("Ctrl+N"));
    FileOpen = make("&Open", 1, &TForm1::FileOpenClick);
    FileOpen->setShortcut(QKeySequence("Ctrl+O"));
    FileSave = make("&Save", 2, &TForm1::FileSaveClick);
    FileSave->setShortcut(QKeySequence("Ctrl+S"));
    FileSaveAs = make("Save &as", 3, &TForm1::FileSaveAsClick);
    FilePrint = make("&Print", 5, &TForm1::FilePrintClick);
    FilePrint->setShortcut(QKeySequence("Ctrl+P"));
    FilePreview = make("Print Pre&view...", -1, &TForm1::FilePreviewClick);
    FileExportPdf = make("E&xport as PDF...", -1, &TForm1::FileExportPdfClick);
    Quitter1 = make("&Exit", 4, &TForm1::Quitter1Click);
    Quitter1->setShortcut(QKeySequence("Ctrl+Q"));

    // The standard edit actions: they act on whichever text control has the focus.
    EditCopy1 = new QAction(lpImage(6), "Co&py", this);
    EditCopy1->setToolTip("Copy");
    EditCopy1->setShortcut(QKeySequence("Ctrl+C"));
    EditCut1 = new QAction(lpImage(7), "&Cut", this);
    EditCut1->setToolTip("Cut");
    EditCut1->setShortcut(QKeySequence("Ctrl+X"));
    EditPaste1 = new QAction(lpImage(8), "&Paste", this);
    EditPaste1->setToolTip("Paste");
    EditPaste1->setShortcut(QKeySequence("Ctrl+V"));
    EditSelectAll1 = new QAction(lpImage(10), "&Sellect All", this);
    for (QAction* a : {EditCopy1, EditCut1, EditPaste1, EditSelectAll1}) {
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, [this, a] { editAction(a); });
    }
    EditUndo1 = make("&Undo", -1, &TForm1::EditUndo1Click);
    EditUndo1->setShortcut(QKeySequence("Ctrl+Z"));
    EditUndo1->setEnabled(false);
    EditRedo1 = make("&Redo", -1, &TForm1::EditRedo1Click);
    EditRedo1->setShortcuts({QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")});
    EditRedo1->setEnabled(false);
    EditFind1 = make("&Find...", -1, &TForm1::EditFind1Click);
    EditFind1->setShortcut(QKeySequence("Ctrl+Shift+F"));
    EditReplace1 = make("&Replace...", -1, &TForm1::EditReplace1Click);
    EditReplace1->setShortcut(QKeySequence("Ctrl+H"));
    EditFindNext1 = make("Find &Next", -1, &TForm1::EditFindNext1Click);
    EditFindNext1->setShortcut(QKeySequence("F3"));
    EditFindPrevious1 = make("Find Pre&vious", -1, &TForm1::EditFindPrevious1Click);
    EditFindPrevious1->setShortcut(QKeySequence("Shift+F3"));
    EditGoToLine1 = make("&Go To Line...", -1, &TForm1::EditGoToLine1Click);
    EditGoToLine1->setShortcut(QKeySequence("Ctrl+G"));
    HelpContents1 = make("Helps &Contents", 9, &TForm1::HelpContents1Execute);

    Retourauto1 = make("Word Wrap", -1, &TForm1::Retourauto1Click);
    Retourauto1->setCheckable(true);
    Retourauto1->setChecked(true);
    Retourauto1->setShortcut(QKeySequence("Ctrl+W"));
    AstPic1 = new QAction("Assistants", this);
    AstPic1->setCheckable(true);
    AstPic1->setChecked(true);
    AstPic1->setShortcut(QKeySequence("Ctrl+A"));
    // A checkable action flips its own check mark; the handler is told afterwards, so it undoes
    // that flip and applies the one the command asks for.
    connect(AstPic1, &QAction::triggered, this, [this] {
        AstPic1->setChecked(!AstPic1->isChecked());
        runCommand([this] { AstPic1Click(); });
    });
    Police1 = make("Font", 20, &TForm1::Police1Click);
    Police1->setShortcut(QKeySequence("Ctrl+F"));
    TxtFolder = make("Text Folder", 21, &TForm1::TxtFolderClick);
    PicFolder = make("Pictures Folder", 21, &TForm1::PicFolderClick);
    SoundsFolder = make("Sounds Folder", 21, &TForm1::SoundsFolderClick);
    VideoFolder = make("Videos Folder", 21, &TForm1::VideoFolderClick);
    APropos1 = make("&About", -1, &TForm1::APropos1Click);

    for (QAction* a : {FileSave, EditCopy1, EditCut1, EditPaste1, Retourauto1, AstPic1, Police1})
        a->setShortcutContext(Qt::WindowShortcut);
}

void TForm1::createMenus() {
    Fichier1 = menuBar()->addMenu("&File");
    Fichier1->addAction(FileNew);
    Fichier1->addAction(FileOpen);
    Recents = Fichier1->addMenu(lpImage(19), "&Récents");
    Recents->setObjectName("Recents");
    Fichier1->addAction(FileSave);
    Fichier1->addAction(FileSaveAs);
    Fichier1->addAction(FilePreview);
    Fichier1->addAction(FilePrint);
    Fichier1->addAction(FileExportPdf);
    Fichier1->addSeparator();
    Fichier1->addAction(Quitter1);

    Edition1 = menuBar()->addMenu("&Edit");
    Edition1->addAction(EditUndo1);
    Edition1->addAction(EditRedo1);
    Edition1->addSeparator();
    Edition1->addAction(EditCopy1);
    Edition1->addAction(EditCut1);
    Edition1->addAction(EditPaste1);
    Edition1->addSeparator();
    Edition1->addAction(EditSelectAll1);
    Edition1->addSeparator();
    Edition1->addActions({EditFind1, EditReplace1, EditFindNext1, EditFindPrevious1});
    Edition1->addSeparator();
    Edition1->addAction(EditGoToLine1);

    Options1 = menuBar()->addMenu("&Settings");
    Options1->addAction(Retourauto1);
    Options1->addAction(AstPic1);
    Options1->addSeparator();
    Options1->addAction(Police1);
    Options1->addSeparator();
    Options1->addAction(TxtFolder);
    Options1->addAction(PicFolder);
    Options1->addAction(SoundsFolder);
    Options1->addAction(VideoFolder);

    Rubriquesdaide1 = menuBar()->addMenu("&Help");
    Rubriquesdaide1->addAction(HelpContents1);
    Rubriquesdaide1->addSeparator();
    Rubriquesdaide1->addAction(APropos1);
}

void TForm1::createToolBar() {
    ToolBar1 = addToolBar("ToolBar1");
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);

    ToolBar1->addActions({NewBut, OpenBut, SaveBut, SaveAsBut});
    ToolBar1->addSeparator();
    EditCopy1->setIconText("Copy");
    ToolBar1->addActions({EditCopy1, EditCut1, EditPaste1});
    ToolBar1->addSeparator();
    ToolBar1->addActions(
        {BoldBut, ItalBut, UnderlineBut, StrikeBut, InvertBut, CenterBut, TabBut, ToolButton1});
    ToolBar1->addSeparator();

    SpinEdit1 = new TLpSpinEdit(ToolBar1);
    SpinEdit1->setObjectName("SpinEdit1");
    SpinEdit1->setToolTip("Font Size");
    SpinEdit1->setFixedSize(46, 22);
    SpinEdit1->Beep = [this] { prompts_->beep(); };
    ToolBar1->addWidget(SpinEdit1);
    connect(SpinEdit1, &TLpSpinEdit::doubleClicked, this, [this] {
        runCommand([this] {
            document_->finishLoading();
            SpinEdit1DblClick();
        });
    });

    LpColorComboBox1 = new TLpColorComboBox(ToolBar1);
    LpColorComboBox1->setObjectName("LpColorComboBox1");
    LpColorComboBox1->setToolTip("Font Color");
    LpColorComboBox1->setFixedSize(46, 21);
    LpColorComboBox1->SetFocusControl(Clm1);
    ToolBar1->addWidget(LpColorComboBox1);
    connect(LpColorComboBox1, &TLpColorComboBox::select, this, [this] {
        runCommand([this] {
            document_->finishLoading();
            LpColorComboBox1Select();
        });
    });
    ToolBar1->addSeparator();

    ToolBar1->addActions({TargetBut, LinkBut});
    ToolBar1->addSeparator();

    LpComboBox1 = new TLpComboBox(ToolBar1);
    LpComboBox1->setObjectName("LpComboBox1");
    LpComboBox1->setFixedSize(100, 21);
    ToolBar1->addWidget(LpComboBox1);
    connect(LpComboBox1, &TLpComboBox::select, this, [this] {
        runCommand([this] {
            document_->finishLoading();
            LpComboBox1DblClick();
        });
    });
    connect(LpComboBox1, &TLpComboBox::doubleClicked, this, [this] {
        runCommand([this] {
            document_->finishLoading();
            LpComboBox1DblClick();
        });
    });

    // Flat buttons 23 pixels wide that never take the keyboard focus: the editor keeps it while
    // they run.
    ToolBar1->layout()->setSpacing(0);
    ToolBar1->setContentsMargins(0, 0, 0, 0);
    for (QAction* a : ToolBar1->actions()) {
        QWidget* w = ToolBar1->widgetForAction(a);
        if (!w || qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w))
            continue;
        w->setFocusPolicy(Qt::NoFocus);
        if (!a->isSeparator())
            w->setFixedSize(23, 22);
    }
}

void TForm1::createStatusBar() {
    StatusPanel1 = new QLabel(this);
    StatusPanel1->setObjectName("StatusPanel1");
    StatusPanel1->setFixedWidth(400);
    StatusPanel2 = new QLabel(this);
    StatusPanel2->setObjectName("StatusPanel2");
    // Wide enough for "99999:9999" with the label's margins.
    StatusPanel2->setFixedWidth(StatusPanel2->fontMetrics().horizontalAdvance("99999:9999") + 12);
    StatusPanel3 = new QLabel(this);
    StatusPanel3->setObjectName("StatusPanel3");
    StatusPanel3->setFixedWidth(60);
    StatusNote = new QLabel(this);
    StatusNote->setObjectName("StatusNote");
    LoadProgress = new QProgressBar(this);
    LoadProgress->setObjectName("LoadProgress");
    LoadProgress->setRange(0, 100);
    LoadProgress->setFixedSize(100, 14);
    LoadProgress->setTextVisible(false);
    LoadProgress->hide();
    statusBar()->addPermanentWidget(LoadProgress);
    statusBar()->addPermanentWidget(StatusNote);
    statusBar()->addWidget(StatusPanel1);
    statusBar()->addWidget(StatusPanel2);
    statusBar()->addWidget(StatusPanel3);
    // Replacing the whole text clears the flag without telling: the text's change tells then.
    auto showModified = [this] {
        StatusPanel3->setText(Clm1->Modified() ? "Modified" : QString());
    };
    connect(Clm1->document(), &QTextDocument::modificationChanged, StatusPanel3, showModified);
    connect(Clm1, &QPlainTextEdit::textChanged, StatusPanel3, showModified);
    statusBar()->setFixedHeight(19);
    statusBar()->setSizeGripEnabled(true);
}

void TForm1::updateCaretPanel() {
    const QPoint at = Clm1->CaretLineColumn();
    StatusPanel2->setText(QString("%1:%2").arg(at.y()).arg(at.x()));
}

void TForm1::runCommand(const std::function<void()>& command) {
    try {
        command();
    } catch (const TLpError& e) {
        prompts_->applicationError(e.message());
    } catch (const std::bad_alloc&) {
        prompts_->applicationError("Mémoire insuffisante");
    } catch (const std::exception& e) {
        prompts_->applicationError(QString::fromLocal8Bit(e.what()));
    }
}

// ---------------------------------------------------------------------------------------------
// Start and close

void TForm1::FormCreate() {
    helpFile_ = locateHelpFile(QApplication::applicationDirPath());
    StatusPanel1->setText("Untitled");
    using namespace settingsKeys;
    // A stored size beyond the screen's work area is cut to it, as the desktop does with a window
    // asked to open larger than the screen.
    const QSize room = screen() ? screen()->availableGeometry().size() : QSize(32767, 32767);
    const int height = std::min(RegCtrl1->ReadInteger(kSection, kHeight, 0), room.height());
    const int width = std::min(RegCtrl1->ReadInteger(kSection, kWidth, 0), room.width());
    resize(size().width(), height);
    resize(width, height);
    AstPic1->setChecked(RegCtrl1->ReadBool(kSection, kAssistants, true));
    OpenDialog1.initialDir = readFavouriteFolder(*RegCtrl1, TFavouriteFolder::text);
    SaveDialog1.initialDir = OpenDialog1.initialDir;
    if (height < 50)
        resize(640, 480);
}

void TForm1::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    // Centred on the screen at its first showing.
    if (QScreen* screen = this->screen()) {
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
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
        RegCtrl1->WriteInteger(kSection, kHeight, height());
        RegCtrl1->WriteInteger(kSection, kWidth, width());
    }
    RegCtrl1->WriteBool(kSection, kAssistants, AstPic1->isChecked());
    RegCtrl1->WriteFont(kSection, kFont, Clm1->EditorFont());
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
    runCommand([&] { document_->openPath(absolute); });
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
    StatusNote->setToolTip(text == kLoadingNote
                               ? QString("The page is still loading: editing and saving wait "
                                         "until it is complete")
                               : text);
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
    exportAsPdf(*dialogs_, printing(), ExportDialog1, SaveDialog1, *Clm1);
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
    const auto favourite = [this](TFavouriteFolder f) { return readFavouriteFolder(*RegCtrl1, f); };
    const TActionBoxContext context{*Clm1, favourite, *dialogs_, *prompts_, OpenDialog1, OpenPic1};
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
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    EditCopy1->setEnabled(focused && hasSelection);
    EditCut1->setEnabled(focused && hasSelection);
    EditPaste1->setEnabled(focused && clip && clip->hasText());
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
    // Ctrl+A is the Assistants switch everywhere in this window, also in the size box.
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        auto* w = qobject_cast<QWidget*>(watched);
        if (k->matches(QKeySequence::SelectAll) && w && w->window() == this) {
            e->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}
