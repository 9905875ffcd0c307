#include "platform/Printing.h"

#include "platform/Errors.h"
#include "platform/QtPrintDevice.h"
#include "platform/core/PrintLayout.h"

#include <QEvent>
#include <QPageRanges>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

// One job at a time for the whole program, as there is one printer object.
bool jobRunning = false;

class TJobFlag {
public:
    TJobFlag() {
        if (jobRunning)
            throw TLpError("Impression en cours");
        jobRunning = true;
    }
    ~TJobFlag() { jobRunning = false; }
    TJobFlag(const TJobFlag&) = delete;
    TJobFlag& operator=(const TJobFlag&) = delete;
};

} // namespace

TQtPrintService::TQtPrintService(QWidget* parent) : parent_(parent) {}

TQtPrintService::~TQtPrintService() = default;

std::unique_ptr<QPrinter> TQtPrintService::defaultPrinter() {
    if (QPrinterInfo::availablePrinters().isEmpty())
        return nullptr;
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

namespace {

// Qt 6.4's dialog on Unix keeps its page range and page set choices although the options leave
// them out; every page is printed, so the group is hidden each time the dialog is shown.
class THidePageChoice : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Show)
            if (auto* range = watched->findChild<QWidget*>("gbPrintRange"))
                range->hide();
        return QObject::eventFilter(watched, e);
    }
};

} // namespace

void TQtPrintService::configureDialog(QPrintDialog& dialog) {
    dialog.setOptions(QAbstractPrintDialog::PrintCollateCopies |
                      QAbstractPrintDialog::PrintShowPageSize);
    dialog.setPrintRange(QAbstractPrintDialog::AllPages);
    dialog.installEventFilter(new THidePageChoice(&dialog));
}

bool TQtPrintService::execDialog(QPrintDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

std::unique_ptr<TPrintDevice> TQtPrintService::startJob(const TFontAttributes& font) {
    // Without a default printer there is nothing to choose from: no dialog.
    std::unique_ptr<QPrinter> fallback = defaultPrinter();
    if (!fallback)
        throw TLpError("Aucune imprimante par défaut sélectionnée");
    if (!printer_)
        printer_ = std::move(fallback);

    QPrintDialog dialog(printer_.get(), parent_);
    configureDialog(dialog);
    if (!execDialog(dialog))
        return nullptr;
    // Every page is printed, whatever the printer remembers.
    printer_->setPrintRange(QPrinter::AllPages);
    printer_->setPageRanges(QPageRanges());
    return std::make_unique<TQtPrintDevice>(*printer_, font);
}

void printText(TPrintService& service, const QStringList& lines, const TFontAttributes& font) {
    TJobFlag flag;
    std::unique_ptr<TPrintDevice> device = service.startJob(font);
    if (!device)
        return;
    std::vector<std::u16string> source;
    source.reserve(lines.size());
    for (const QString& line : lines) {
        // One unit more than a line may hold, so that the cut can tell a surrogate pair apart.
        const auto n = std::min<qsizetype>(line.size(), TPrintLayout::kMaxLineLength + 1);
        source.emplace_back(reinterpret_cast<const char16_t*>(line.utf16()), n);
    }
    printDocument(*device, printSourceLines(std::move(source)));
}

bool printJobRunning() {
    return jobRunning;
}
