// The main window's menus, toolbar, status bar and recent-files list, made once when the window
// is built; TForm1's commands and events are in Unit1.cpp.
#include "app/Unit1.h"
#include "document/PageDocument.h"

#include "app/DocumentCommands.h"
#include "app/FindBar.h"
#include "editor/ColMemo.h"
#include "markup/CheckPanel.h"
#include "markup/LpColorComboBox.h"
#include "markup/LpComboBox.h"
#include "markup/LpSpinEdit.h"
#include "platform/QtFonts.h"
#include "settings/LpMRUList.h"
#include "settings/SettingsKeys.h"

#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTextDocument>
#include <QToolBar>

void TForm1::createRecentFiles() {
    MRUList1 = new TLpMRUList(this);
    MRUList1->setObjectName("MRUList1");
    MRUList1->Options = moShowAccel | moSubIfEmpty | moSubClearOption;
    MRUList1->SetMaxEntries(4);
    MRUList1->IniLink = RegCtrl1.get();
    MRUList1->IniUse = ioUseLink;
    MRUList1->SetSection(settingsKeys::kRecentFilesSection);
    MRUList1->Prompts = prompts_;
    // Stored as it changes, so that a run that is killed keeps its pages listed. The close still
    // stores it last, and tells once if it cannot.
    MRUList1->SaveOnChange = true;
    MRUList1->OnSaveFailed = [this](const QString&) {
        showNote("Recent files cannot be stored", 8000);
    };
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
    FileSaveAs->setShortcut(QKeySequence("Ctrl+Shift+S"));
    FilePrint = make("&Print", 5, &TForm1::FilePrintClick);
    FilePrint->setShortcut(QKeySequence("Ctrl+P"));
    FilePreview = make("Print Pre&view...", -1, &TForm1::FilePreviewClick);
    FileExportPdf = make("E&xport as PDF...", -1, &TForm1::FileExportPdfClick);
    FileExportPreviewPdf =
        make("Export Pre&view as PDF...", -1, &TForm1::FileExportPreviewPdfClick);
    FileExportPreviewPdf->setObjectName("FileExportPreviewPdf");
    FileExportBookHtml = make("Export Book as &HTML...", -1, &TForm1::FileExportBookHtmlClick);
    FileExportBookHtml->setObjectName("FileExportBookHtml");
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
    HelpContents1->setShortcut(QKeySequence("F1"));

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
    PreviewFont1 = make("Preview &Font...", -1, &TForm1::PreviewFont1Click);
    PreviewFont1->setObjectName("PreviewFont1");
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
    Fichier1->addAction(FileExportPreviewPdf);
    Fichier1->addAction(FileExportBookHtml);
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

    View1 = menuBar()->addMenu("&View");
    View1->setObjectName("View1");

    Options1 = menuBar()->addMenu("&Settings");
    Options1->addAction(Retourauto1);
    Options1->addAction(AstPic1);
    Options1->addSeparator();
    Options1->addAction(Police1);
    Options1->addAction(PreviewFont1);
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
    LpComboBox1->fitItems(100, 21);
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
    // The caret's panel changes with nearly every key, in the same frame as the typed text. It
    // fills its own background, so that the status bar and the window are not painted again
    // under it, and its digits are set without shaping, which looks the same for them.
    StatusPanel2->setAutoFillBackground(true);
    StatusPanel2->setFont(withoutShaping(StatusPanel2->font()));
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
    // The page's name and its modified flag are views of the page.
    StatusPanel1->setText(Page1->displayName());
    statusWatch_ = std::make_unique<TPageWatch>(
        *Page1,
        TPageWatch::TNotices{
            .modified =
                [this](bool modified) { StatusPanel3->setText(modified ? "Modified" : QString()); },
            .path = [this](const QString&) { StatusPanel1->setText(Page1->displayName()); }});
    statusBar()->setFixedHeight(19);
    statusBar()->setSizeGripEnabled(true);
}
