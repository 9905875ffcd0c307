#include "platform/QtDialogs.h"

#include "platform/FontChooser.h"
#include "platform/PicturePane.h"
#include "platform/RecoveryDialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>

QStringList qtNameFilters(const QString& filter) {
    QStringList result;
    const QStringList parts = filter.split('|');
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        result << QString("%1 (%2)").arg(parts[i], patterns);
    }
    return result;
}

namespace {

void configure(QFileDialog& fd, const TFileDialog& dialog) {
    fd.setNameFilters(qtNameFilters(dialog.filter));
    if (!dialog.title.isEmpty())
        fd.setWindowTitle(dialog.title);
    if (!dialog.initialDir.isEmpty())
        fd.setDirectory(dialog.initialDir);
    if (!dialog.fileName.isEmpty())
        fd.selectFile(dialog.fileName);
    if (!dialog.defaultExt.isEmpty())
        fd.setDefaultSuffix(dialog.defaultExt);
}

// QFileDialog has no read-only check box of its own. The toolkit's own (non-native) dialog lays
// its widgets out in a grid, so the box goes into a row of its own below them; the platform's
// native dialogs cannot take one, so a dialog that shows the box is always the toolkit's.
QCheckBox* addReadOnlyBox(QFileDialog& fd, const TFileDialog& dialog) {
    if (!dialog.readOnlyShown)
        return nullptr;
    fd.setOption(QFileDialog::DontUseNativeDialog);
    auto* grid = qobject_cast<QGridLayout*>(fd.layout());
    if (!grid)
        return nullptr;
    auto* box = new QCheckBox(QStringLiteral("Ouvrir en lecture seule"), &fd);
    box->setObjectName("ReadOnlyBox");
    box->setChecked(dialog.readOnlyChecked);
    grid->addWidget(box, grid->rowCount(), 0, 1, grid->columnCount());
    return box;
}

} // namespace

bool TQtDialogs::executeOpen(TFileDialog& dialog) {
    QFileDialog fd(parent_);
    configure(fd, dialog);
    fd.setAcceptMode(QFileDialog::AcceptOpen);
    fd.setFileMode(QFileDialog::ExistingFile);
    QCheckBox* readOnly = addReadOnlyBox(fd, dialog);
    if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty())
        return false;
    dialog.fileName = QDir::toNativeSeparators(fd.selectedFiles().first());
    if (readOnly)
        dialog.readOnlyChecked = readOnly->isChecked();
    return true;
}

bool TQtDialogs::executeSave(TFileDialog& dialog) {
    QFileDialog fd(parent_);
    configure(fd, dialog);
    fd.setAcceptMode(QFileDialog::AcceptSave);
    fd.setFileMode(QFileDialog::AnyFile);
    if (!dialog.overwritePrompt)
        fd.setOption(QFileDialog::DontConfirmOverwrite);
    if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty())
        return false;
    dialog.fileName = QDir::toNativeSeparators(fd.selectedFiles().first());
    return true;
}

bool TQtDialogs::executeFolder(TFileDialog& dialog) {
    QFileDialog fd(parent_);
    if (!dialog.title.isEmpty())
        fd.setWindowTitle(dialog.title);
    if (!dialog.initialDir.isEmpty())
        fd.setDirectory(dialog.initialDir);
    fd.setAcceptMode(QFileDialog::AcceptOpen);
    fd.setFileMode(QFileDialog::Directory);
    fd.setOption(QFileDialog::ShowDirsOnly);
    if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty())
        return false;
    dialog.fileName = QDir::toNativeSeparators(fd.selectedFiles().first());
    return true;
}

bool TQtDialogs::executePicture(TFileDialog& dialog) {
    // Qt's own dialog rather than the platform's, so that the preview pane can join its layout.
    QFileDialog fd(parent_);
    fd.setOption(QFileDialog::DontUseNativeDialog);
    fd.setObjectName("PictureDialog");
    configure(fd, dialog);
    fd.setAcceptMode(QFileDialog::AcceptOpen);
    fd.setFileMode(QFileDialog::ExistingFile);
    auto* pane = new TPicturePane(&fd);
    if (auto* grid = qobject_cast<QGridLayout*>(fd.layout()))
        grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&fd, &QFileDialog::currentChanged, pane, &TPicturePane::showFile);
    // Room for the list beside the pane.
    fd.resize(820, 460);
    if (!dialog.fileName.isEmpty())
        pane->showFile(dialog.fileName);
    if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty())
        return false;
    dialog.fileName = QDir::toNativeSeparators(fd.selectedFiles().first());
    return true;
}

bool TQtDialogs::executeFont(TFontAttributes& font) {
    TFontChooser chooser(parent_);
    chooser.setFontAttributes(font);
    if (chooser.exec() != QDialog::Accepted)
        return false;
    font = chooser.fontAttributes();
    return true;
}

bool TQtDialogs::executeGoToLine(int lineCount, int& line) {
    // The box's spin box keeps OK disabled, and Enter does nothing, while its text is not a
    // number in range.
    QInputDialog box(parent_);
    box.setWindowTitle("Go To Line");
    box.setLabelText(QString("Line number (1 - %1):").arg(lineCount));
    box.setInputMode(QInputDialog::IntInput);
    box.setIntRange(1, std::max(1, lineCount));
    box.setIntValue(std::clamp(line, 1, std::max(1, lineCount)));
    if (box.exec() != QDialog::Accepted)
        return false;
    line = box.intValue();
    return true;
}

namespace {

// The toolkit's text box, which keeps itself open on a name it refuses and says why above the
// field.
class TRenameBox : public QInputDialog {
public:
    TRenameBox(QWidget* parent, const TDialogs::TRefusal& refusal)
        : QInputDialog(parent), refusal_(refusal) {}

    void done(int result) override {
        if (result == QDialog::Accepted && refusal_) {
            const QString message = refusal_(textValue());
            if (!message.isEmpty()) {
                setLabelText(QString("%1\n\n%2").arg(message, kPrompt));
                if (auto* edit = findChild<QLineEdit*>()) {
                    edit->setFocus();
                    edit->selectAll();
                }
                return;
            }
        }
        QInputDialog::done(result);
    }

    static constexpr const char* kPrompt = "New name of the target:";

private:
    TDialogs::TRefusal refusal_;
};

} // namespace

bool TQtDialogs::executeRename(QString& name, const TRefusal& refusal) {
    TRenameBox box(parent_, refusal);
    box.setWindowTitle("Rename Target");
    box.setLabelText(TRenameBox::kPrompt);
    box.setInputMode(QInputDialog::TextInput);
    box.setTextValue(name);
    // Wide enough for its title beside the title bar's buttons, whatever the prompt's width (the
    // box takes its least size from what it holds).
    if (auto* edit = box.findChild<QLineEdit*>())
        edit->setMinimumWidth(box.fontMetrics().horizontalAdvance(box.windowTitle()) * 2 + 160);
    // The name comes up selected, so that typing replaces it.
    QTimer::singleShot(0, &box, [&box] {
        if (auto* edit = box.findChild<QLineEdit*>())
            edit->selectAll();
    });
    if (box.exec() != QDialog::Accepted)
        return false;
    name = box.textValue();
    return true;
}

recovery::TListDecision
TQtDialogs::executeRecoveryList(const std::vector<recovery::TListedCopy>& copies) {
    TRecoveryDialog box(copies, parent_);
    box.exec();
    return box.decision();
}
