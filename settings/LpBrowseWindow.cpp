#include "settings/LpBrowseWindow.h"

#include "settings/LpBrowseDlg.h"

#include <QDialogButtonBox>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

bool has(const TLpBrowseDlg& d, TBrowseOption o) {
    return d.Options & browseOption(o);
}

} // namespace

TLpBrowseWindow::TLpBrowseWindow(TLpBrowseDlg& owner, QWidget* parent)
    : QDialog(parent), owner_(owner) {
    setObjectName("BrowseWindow");
    setWindowTitle("Rechercher un dossier");
    resize(360, 420);

    caption_ = new QLabel(owner.Caption, this);
    caption_->setWordWrap(true);
    caption_->setVisible(!owner.Caption.isEmpty());
    status_ = new QLabel(this);
    status_->setObjectName("StatusLine");
    status_->setVisible(has(owner, doStatusText));

    model_ = new QFileSystemModel(this);
    QDir::Filters filters = QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot;
    if (has(owner, doShowFiles))
        filters |= QDir::Files;
    model_->setFilter(filters);
    model_->setReadOnly(true);
    model_->setIconProvider(&icons_);
    const QString root = browseRootPath(owner.StartFolder);
    model_->setRootPath(root);

    tree_ = new QTreeView(this);
    tree_->setObjectName("FolderTree");
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    for (int column = 1; column < model_->columnCount(); ++column)
        tree_->hideColumn(column);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setUniformRowHeights(true);
    // The whole namespace shows "/" itself, so that it can be chosen; other roots show their
    // contents.
    if (root != QDir::rootPath())
        tree_->setRootIndex(model_->index(root));
    // The folders load in the background and their rows arrive in batches that push the
    // preselected folder down: it is brought into view again until the author takes over.
    for (auto signal : {&QFileSystemModel::rowsInserted, &QFileSystemModel::rowsRemoved})
        connect(model_, signal, this, [this] { showSelection(); });
    connect(model_, &QFileSystemModel::layoutChanged, this, [this] { showSelection(); });
    tree_->viewport()->installEventFilter(this);
    tree_->installEventFilter(this);
    connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { selectionChanged(tree_->selectionModel()->currentIndex()); });

    if (has(owner, doAllowEdit)) {
        edit_ = new QLineEdit(this);
        edit_->setObjectName("FolderEdit");
    }

    buttons_ = new QDialogButtonBox(this);
    ok_ = buttons_->addButton("OK", QDialogButtonBox::AcceptRole);
    buttons_->addButton("Annuler", QDialogButtonBox::RejectRole);
    connect(buttons_, &QDialogButtonBox::accepted, this, &TLpBrowseWindow::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &TLpBrowseWindow::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addWidget(status_);
    layout->addWidget(tree_, 1);
    if (edit_)
        layout->addWidget(edit_);
    layout->addWidget(buttons_);
}

TLpBrowseWindow::~TLpBrowseWindow() {
    // The model's loader thread uses the icon provider: the model goes first.
    tree_->setModel(nullptr);
    delete model_;
}

void TLpBrowseWindow::initialise() {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize(640, 480);
    move(placeBrowseDialog(owner_.Position, owner_.referenceRect(), frameGeometry().size(),
                           screenSize));
    if (!owner_.CaptionTitle.isEmpty())
        setWindowTitle(owner_.CaptionTitle);
    // The whole namespace opens with its top folder expanded.
    if (!tree_->rootIndex().isValid())
        tree_->expand(model_->index(QDir::rootPath()));
    if (!owner_.StatusText().isEmpty())
        setStatus(owner_.StatusText());
    if (!owner_.SelectedFolder().isEmpty())
        selectFolder(owner_.SelectedFolder());
    // A preselected folder is a choice the author can confirm as it is; with nothing highlighted
    // OK waits for one unless the options enable it.
    if (has(owner_, doEnableOK))
        ok_->setEnabled(true);
    else if (selectedPath().isEmpty())
        ok_->setEnabled(false);
    if (owner_.OnInit)
        owner_.OnInit();
}

void TLpBrowseWindow::setStatus(const QString& text) {
    status_->setText(text);
}

void TLpBrowseWindow::selectFolder(const QString& path) {
    const QModelIndex index = model_->index(QDir::cleanPath(path));
    if (!index.isValid())
        return;
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent())
        tree_->expand(p);
    followSelection_ = true;
    tree_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
    tree_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void TLpBrowseWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    showSelection();
}

bool TLpBrowseWindow::eventFilter(QObject* watched, QEvent* e) {
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        followSelection_ = false;
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, e);
}

void TLpBrowseWindow::showSelection() {
    if (!followSelection_ || scrollQueued_)
        return;
    scrollQueued_ = true;
    // After the tree's delayed layout and the model's delayed sort, which both move rows.
    QTimer::singleShot(0, this, [this] {
        scrollQueued_ = false;
        if (followSelection_ && tree_->currentIndex().isValid())
            tree_->scrollTo(tree_->currentIndex(), QAbstractItemView::PositionAtCenter);
    });
}

QString TLpBrowseWindow::selectedPath() const {
    for (const QModelIndex& index : tree_->selectionModel()->selectedIndexes())
        if (index.column() == 0)
            return QDir::cleanPath(model_->filePath(index));
    return {};
}

void TLpBrowseWindow::selectionChanged(const QModelIndex& current) {
    const QString path = selectedPath();
    const bool folder = !path.isEmpty() && model_->isDir(current);
    ok_->setEnabled(!path.isEmpty() && (folder || !has(owner_, doReturnFileSysDirs)));
    if (edit_)
        edit_->setText(path);
    if (has(owner_, doShowPath))
        setStatus(shortenFolderPath(path));
    if (owner_.OnSelectionChanged)
        owner_.OnSelectionChanged(&owner_, this, path, current);
}

void TLpBrowseWindow::accept() {
    QString path = selectedPath();
    if (edit_ && !edit_->text().isEmpty() && edit_->text() != path) {
        const QString typed = edit_->text();
        const QString resolved =
            QDir::isAbsolutePath(typed) ? typed : QDir(path.isEmpty() ? "/" : path).filePath(typed);
        if (!QFileInfo(resolved).isDir()) {
            bool cancel = false;
            if (owner_.OnValidate)
                owner_.OnValidate(&owner_, typed, cancel);
            if (!cancel)
                reject();
            return;
        }
        path = QDir::cleanPath(resolved);
    }
    if (path.isEmpty() || !ok_->isEnabled())
        return;
    chosen_ = path;
    QDialog::accept();
}
