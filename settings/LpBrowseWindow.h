#pragma once

#include <QDialog>
#include <QFileIconProvider>

class QDialogButtonBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTreeView;
class TLpBrowseDlg;

// The window of the folder-browse dialog: an instruction, a tree of folders, an optional status
// line and edit box, OK and cancel. It lives only while its component's Execute runs.
class TLpBrowseWindow : public QDialog {
    Q_OBJECT
public:
    TLpBrowseWindow(TLpBrowseDlg& owner, QWidget* parent);
    ~TLpBrowseWindow() override;

    // Sets the window up from the component's properties: title, status, preselection, OK state.
    void initialise();

    void setStatus(const QString& text);
    // Selects path in the tree, opening the tree down to it.
    void selectFolder(const QString& path);
    // The path of the selected item, without a trailing separator except for the root.
    QString selectedPath() const;

    QTreeView* tree() const { return tree_; }
    QFileSystemModel* model() const { return model_; }
    QPushButton* okButton() const { return ok_; }
    QLabel* statusLine() const { return status_; }
    QLineEdit* editBox() const { return edit_; }

    // The folder the author confirmed.
    QString chosenFolder() const { return chosen_; }

    void accept() override;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void selectionChanged(const QModelIndex& current);
    void showSelection();

    TLpBrowseDlg& owner_;
    QFileIconProvider icons_; ///< folder pictures; outlives the model (see the destructor)
    QFileSystemModel* model_;
    QTreeView* tree_;
    QLabel* caption_;
    QLabel* status_;
    QLineEdit* edit_ = nullptr;
    QDialogButtonBox* buttons_;
    QPushButton* ok_;
    QString chosen_;
    bool followSelection_ = false; ///< keep the preselected folder in view while rows arrive
    bool scrollQueued_ = false;
};
