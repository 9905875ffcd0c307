#include "platform/Dialogs.h"

#include "platform/FontChooser.h"

#include <QFileDialog>

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

} // namespace

bool TQtDialogs::executeOpen(TFileDialog& dialog) {
    QFileDialog fd(parent_);
    configure(fd, dialog);
    fd.setAcceptMode(QFileDialog::AcceptOpen);
    fd.setFileMode(QFileDialog::ExistingFile);
    if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty())
        return false;
    dialog.fileName = QDir::toNativeSeparators(fd.selectedFiles().first());
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

bool TQtDialogs::executePicture(TFileDialog& dialog) { return executeOpen(dialog); }

bool TQtDialogs::executeFont(TFontSpec& font) {
    TFontChooser chooser(parent_);
    chooser.setFontSpec(font);
    if (chooser.exec() != QDialog::Accepted)
        return false;
    font = chooser.fontSpec();
    return true;
}
