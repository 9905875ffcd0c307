#include "app/Unit1.h"

#include "editor/ColMemo.h"
#include "markup/LpColorComboBox.h"
#include "markup/LpComboBox.h"
#include "markup/LpSpinEdit.h"
#include "platform/Errors.h"
#include "settings/LpIniCtrl.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

namespace {

const QString kSettings = QStringLiteral("Settings");
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
    prompts_ = services.prompts ? services.prompts : ownPrompts_.get();
    dialogs_ = services.dialogs ? services.dialogs : ownDialogs_.get();

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

    Clm1 = new TColorMemo(this);
    Clm1->setObjectName("Clm1");
    Clm1->SetScrollBars(ssVertical);
    // The editor rule set of the page markup.
    // TODO(lead): fill it from markup/core/PageMarkup once merged.
    {
        TColorRule& rule = Clm1->ColorRules().Add();
        rule.KeyDrawingType = dtKeyShow;
        rule.PartWord = true;
        rule.DefKeyColor = colors::clBlue;
        rule.SetKeywords({"^c", "^u", "^b", "^t", "^l;green", "^i", "^r", "^p", "^f", "^m;silver",
                          "^x", "[;navy", "];navy"});
    }
    setCentralWidget(Clm1);

    createActions();
    createMenus();
    createToolBar();
    createStatusBar();

    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            &TForm1::updateEditActions);
    connect(qApp, &QApplication::focusChanged, this, &TForm1::updateEditActions);
    connect(Clm1, &QPlainTextEdit::selectionChanged, this, &TForm1::updateEditActions);
    connect(Clm1, &QPlainTextEdit::textChanged, this, &TForm1::updateEditActions);
    connect(SpinEdit1->editor(), &QLineEdit::selectionChanged, this,
            &TForm1::updateEditActions);
    connect(SpinEdit1->editor(), &QLineEdit::textChanged, this, &TForm1::updateEditActions);
    qApp->installEventFilter(this);

    runCommand([this] { FormCreate(); });
    updateEditActions();
}

TForm1::~TForm1() { qApp->removeEventFilter(this); }

void TForm1::createActions() {
    auto make = [this](const QString& caption, int image, auto handler) {
        auto* a = new QAction(caption, this);
        if (image >= 0)
            a->setIcon(lpImage(image));
        connect(a, &QAction::triggered, this, [this, handler] { runCommand([this, handler] {
                    (this->*handler)();
                }); });
        return a;
    };
    auto button = [&](const QString& name, int image, const QString& hint, auto handler) {
        QAction* a = make(hint, image, handler);
        a->setObjectName(name);
        a->setToolTip(hint);
        a->setStatusTip(hint);
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
    FileOpen = make("&Open", 1, &TForm1::FileOpenClick);
    FileSave = make("&Save", 2, &TForm1::FileSaveClick);
    FileSave->setShortcut(QKeySequence("Ctrl+S"));
    FileSaveAs = make("Save &as", 3, &TForm1::FileSaveAsClick);
    FilePrint = make("&Print", 5, &TForm1::FilePrintClick);
    Quitter1 = make("&Exit", 4, &TForm1::Quitter1Click);

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
    connect(Retourauto1, &QAction::triggered, this,
            [this] { Retourauto1->setChecked(Clm1->WordWrap()); });
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
    Fichier1->addAction(FilePrint);
    Fichier1->addSeparator();
    Fichier1->addAction(Quitter1);

    Edition1 = menuBar()->addMenu("&Edit");
    Edition1->addAction(EditCopy1);
    Edition1->addAction(EditCut1);
    Edition1->addAction(EditPaste1);
    Edition1->addSeparator();
    Edition1->addAction(EditSelectAll1);

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
    ToolBar1->addActions({BoldBut, ItalBut, UnderlineBut, StrikeBut, InvertBut, CenterBut, TabBut,
                          ToolButton1});
    ToolBar1->addSeparator();

    SpinEdit1 = new TLpSpinEdit(ToolBar1);
    SpinEdit1->setObjectName("SpinEdit1");
    SpinEdit1->setToolTip("Font Size");
    SpinEdit1->setFixedSize(46, 22);
    ToolBar1->addWidget(SpinEdit1);
    connect(SpinEdit1, &TLpSpinEdit::doubleClicked, this,
            [this] { runCommand([this] { SpinEdit1DblClick(); }); });

    LpColorComboBox1 = new TLpColorComboBox(ToolBar1);
    LpColorComboBox1->setObjectName("LpColorComboBox1");
    LpColorComboBox1->setToolTip("Font Color");
    LpColorComboBox1->setFixedSize(46, 21);
    ToolBar1->addWidget(LpColorComboBox1);
    connect(LpColorComboBox1, &TLpColorComboBox::select, this,
            [this] { runCommand([this] { LpColorComboBox1Select(); }); });
    ToolBar1->addSeparator();

    ToolBar1->addActions({TargetBut, LinkBut});
    ToolBar1->addSeparator();

    LpComboBox1 = new TLpComboBox(ToolBar1);
    LpComboBox1->setObjectName("LpComboBox1");
    LpComboBox1->setFixedSize(100, 21);
    ToolBar1->addWidget(LpComboBox1);
    connect(LpComboBox1, &TLpComboBox::select, this,
            [this] { runCommand([this] { LpComboBox1DblClick(); }); });
    connect(LpComboBox1, &TLpComboBox::doubleClicked, this,
            [this] { runCommand([this] { LpComboBox1DblClick(); }); });

    // Toolbar buttons never take the keyboard focus: the editor keeps it while they run.
    for (QAction* a : ToolBar1->actions())
        if (QWidget* w = ToolBar1->widgetForAction(a); w && !qobject_cast<QComboBox*>(w) &&
                                                       !qobject_cast<QAbstractSpinBox*>(w))
            w->setFocusPolicy(Qt::NoFocus);
}

void TForm1::createStatusBar() {
    StatusPanel1 = new QLabel(this);
    StatusPanel1->setObjectName("StatusPanel1");
    StatusPanel1->setFixedWidth(400);
    StatusPanel2 = new QLabel(this);
    StatusPanel2->setFixedWidth(50);
    statusBar()->addWidget(StatusPanel1);
    statusBar()->addWidget(StatusPanel2);
    statusBar()->setFixedHeight(19);
    statusBar()->setSizeGripEnabled(true);
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
    helpFile_ = QDir(QApplication::applicationDirPath()).filePath("Help.hlp");
    StatusPanel1->setText("Untitled");
    const int height = RegCtrl1->ReadInteger(kSettings, "Height", 0);
    const int width = RegCtrl1->ReadInteger("", "Width", 0);
    resize(size().width(), height);
    resize(width, height);
    AstPic1->setChecked(RegCtrl1->ReadBool("", "Assists", true));
    OpenDialog1.initialDir = RegCtrl1->ReadString("", "Text", "");
    SaveDialog1.initialDir = RegCtrl1->ReadString("", "Text", "");
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
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    runCommand([this] { FormShow(); });
}

void TForm1::FormShow() {
    TFontSpec font = Clm1->EditorFont();
    if (RegCtrl1->ReadFont(kSettings, "Font", font))
        Clm1->SetEditorFont(font);
    Clm1->setFocus();
}

void TForm1::closeEvent(QCloseEvent* e) {
    bool canClose = true;
    runCommand([&] { canClose = FormCloseQuery(); });
    if (!canClose) {
        e->ignore();
        return;
    }
    runCommand([this] { FormClose(); });
    e->accept();
}

void TForm1::FormClose() {
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
        RegCtrl1->WriteInteger(kSettings, "Height", height());
        RegCtrl1->WriteInteger("", "Width", width());
    }
    RegCtrl1->WriteBool("", "Assists", AstPic1->isChecked());
    RegCtrl1->WriteFont(kSettings, "Font", Clm1->EditorFont());
}

void TForm1::Quitter1Click() { close(); }

// ---------------------------------------------------------------------------------------------
// Document commands

bool TForm1::FormCloseQuery() { return true; }

void TForm1::FileNewClick() {}

void TForm1::FileOpenClick() {}

void TForm1::FileSaveClick() {}

void TForm1::FileSaveAsClick() {}

// ---------------------------------------------------------------------------------------------
// Printing

void TForm1::FilePrintClick() {}

// ---------------------------------------------------------------------------------------------
// Style commands

void TForm1::BoldButClick() {}

void TForm1::ItalButClick() {}

void TForm1::UnderlineButClick() {}

void TForm1::StrikeButClick() {}

void TForm1::InvertButClick() {}

void TForm1::CenterButClick() {}

void TForm1::TabButClick() {}

void TForm1::ToolButton1Click() {}

void TForm1::SpinEdit1DblClick() {}

void TForm1::LpColorComboBox1Select() {}

void TForm1::TargetButClick() {}

void TForm1::LinkButClick() {}

// ---------------------------------------------------------------------------------------------
// Action box and favourite folders

void TForm1::LpComboBox1DblClick() {}

void TForm1::TxtFolderClick() {}

void TForm1::PicFolderClick() {}

void TForm1::SoundsFolderClick() {}

void TForm1::VideoFolderClick() {}

// ---------------------------------------------------------------------------------------------
// View commands and help

void TForm1::Retourauto1Click() {}

void TForm1::AstPic1Click() { AstPic1->setChecked(!AstPic1->isChecked()); }

void TForm1::Police1Click() {}

void TForm1::APropos1Click() {}

void TForm1::HelpContents1Execute() {}

// ---------------------------------------------------------------------------------------------
// Edit actions

namespace {

QLineEdit* focusedLineEdit() {
    QWidget* w = QApplication::focusWidget();
    if (auto* spin = qobject_cast<TLpSpinEdit*>(w))
        return spin->editor();
    return qobject_cast<QLineEdit*>(w);
}

} // namespace

void TForm1::editAction(QAction* action) {
    QWidget* w = QApplication::focusWidget();
    if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
        if (action == EditCopy1)
            edit->copy();
        else if (action == EditCut1)
            edit->cut();
        else if (action == EditPaste1)
            edit->paste();
        else
            edit->selectAll();
    } else if (QLineEdit* line = focusedLineEdit()) {
        if (action == EditCopy1)
            line->copy();
        else if (action == EditCut1)
            line->cut();
        else if (action == EditPaste1)
            line->paste();
        else
            line->selectAll();
    }
    updateEditActions();
}

void TForm1::updateEditActions() {
    bool hasSelection = false, hasText = false, focused = false;
    QWidget* w = QApplication::focusWidget();
    if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
        focused = true;
        hasSelection = edit->textCursor().hasSelection();
        hasText = !edit->document()->isEmpty();
    } else if (QLineEdit* line = focusedLineEdit()) {
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
