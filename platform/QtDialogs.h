#pragma once

#include "platform/Dialogs.h"

#include <QStringList>

class QWidget;

// "Fichiers texte|*.txt;*.rtf" as Qt name filters: "Fichiers texte (*.txt *.rtf)".
QStringList qtNameFilters(const QString& filter);

// The real dialogs.
class TQtDialogs : public TDialogs {
public:
    explicit TQtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    bool executeOpen(TFileDialog& dialog) override;
    bool executeSave(TFileDialog& dialog) override;
    bool executePicture(TFileDialog& dialog) override;
    bool executeFont(TFontAttributes& font) override;
    bool executeFolder(TFileDialog& dialog) override;
    bool executeGoToLine(int lineCount, int& line) override;
    bool executeRename(QString& name, const TRefusal& refusal) override;
    recovery::TListDecision
    executeRecoveryList(const std::vector<recovery::TListedCopy>& copies) override;

private:
    QWidget* parent_;
};
