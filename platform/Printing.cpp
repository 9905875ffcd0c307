#include "platform/Printing.h"

#include "platform/ErrorTexts.h"
#include "platform/Errors.h"
#include "platform/PdfExport.h"
#include "platform/PreviewPager.h"
#include "platform/PrintProgress.h"
#include "platform/QtPrintDevice.h"
#include "print/core/PrintLayout.h"

#include <QApplication>
#include <QEvent>
#include <QLocale>
#include <QPageRanges>
#include <QPaintEngine>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>

#include <exception>

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
        throw TLpError(errortext::noDefaultPrinter);
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

QPrinter& TQtPrintService::pagePrinter() {
    if (!printer_)
        printer_ = defaultPrinter();
    if (printer_)
        return *printer_;
    if (!filePrinter_) {
        filePrinter_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        filePrinter_->setOutputFormat(QPrinter::PdfFormat);
        const bool letter = QLocale().measurementSystem() == QLocale::ImperialUSSystem;
        filePrinter_->setPageLayout(
            pdfPageLayout(QPageLayout(QPageSize(letter ? QPageSize::Letter : QPageSize::A4),
                                      QPageLayout::Portrait, QMarginsF())));
    }
    return *filePrinter_;
}

void TQtPrintService::execPreview(QPrintPreviewDialog& dialog) {
    dialog.exec();
}

namespace {

// Holds back the author's clicks and keys in a window while its pages are recorded. Window events
// are let through between pages (for the progress and the repaints), and a new orientation or
// paper chosen in the preview then would start a second recording inside the first, which the
// toolkit does not survive. The progress dialog itself, once shown, still answers.
class TInputHold : public QObject {
public:
    explicit TInputHold(QWidget& window) : window_(window) { qApp->installEventFilter(this); }
    ~TInputHold() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
            break;
        default:
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        return widget && widget->window() == &window_;
    }

private:
    QWidget& window_;
};

} // namespace

void TQtPrintService::preview(QStringList lines, const TFontAttributes& font) {
    TJobFlag flag;
    const std::vector<std::u16string> source = toSourceLines(std::move(lines));
    QPrintPreviewDialog dialog(&pagePrinter(), parent_);
    dialog.setObjectName("PrintPreview");
    TPreviewPager pager(*dialog.findChild<QPrintPreviewWidget*>(), source, font, [this] {
        return startProgress(QStringLiteral("Preparing the preview..."));
    });
    // The dialog asks for its pages when it opens, when its page setup changes, when the author
    // moves to pages that are not drawn yet, and once more, on the chosen printer, when its Print
    // button is pressed. The same layout answers each time.
    std::exception_ptr failure;
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
        if (failure)
            return;
        const TInputHold hold(dialog);
        // Pages for the preview are recorded as pictures by the printer's stand-in engine.
        const bool previewing =
            target->paintEngine() && target->paintEngine()->type() == QPaintEngine::Picture;
        bool cancelled = false;
        try {
            if (previewing) {
                pager.paint(*target);
            } else {
                std::unique_ptr<TPrintProgress> progress =
                    startProgress(QStringLiteral("Printing..."));
                TQtPrintDevice device(*target, font);
                printDocument(device, source, progress.get());
            }
        } catch (const TPrintCancelled&) {
            cancelled = true;
        } catch (...) {
            // Nothing may leave a slot; the failure is reported once the window is closed.
            failure = std::current_exception();
        }
        if (failure || (cancelled && previewing))
            QMetaObject::invokeMethod(&dialog, &QDialog::reject, Qt::QueuedConnection);
    });
    execPreview(dialog);
    if (failure)
        std::rethrow_exception(failure);
}

bool TQtPrintService::exportPdf(const QString& path, const QString& title, QStringList lines,
                                const TFontAttributes& font) {
    TJobFlag flag;
    QPrinter& printer = pagePrinter();
    const TPdfPages pages{pdfPageLayout(printer.pageLayout()), printer.resolution()};
    std::unique_ptr<TPrintProgress> progress = startProgress(QStringLiteral("Exporting to PDF..."));
    return writePdf(path, title, pages, toSourceLines(std::move(lines)), font, progress.get());
}

bool TQtPrintService::exportDocumentPdf(const QString& path, const QString& title,
                                        const QTextDocument& document) {
    TJobFlag flag;
    QPrinter& printer = pagePrinter();
    const TPdfPages pages{pdfPageLayout(printer.pageLayout()), printer.resolution()};
    std::unique_ptr<TPrintProgress> progress = startProgress(QStringLiteral("Exporting to PDF..."));
    return writeDocumentPdf(path, title, pages, document, progress.get());
}

std::unique_ptr<TPrintProgress> TQtPrintService::startProgress(const QString& label) {
    return std::make_unique<TQtPrintProgress>(parent_, label);
}

std::vector<std::u16string> toSourceLines(QStringList&& lines) {
    std::vector<std::u16string> source;
    source.reserve(lines.size());
    for (QString& line : lines) {
        // One unit more than a line may hold, so that the cut can tell a surrogate pair apart.
        const auto n = std::min<qsizetype>(line.size(), TPrintLayout::kMaxLineLength + 1);
        source.emplace_back(reinterpret_cast<const char16_t*>(line.utf16()), n);
        line = QString();
    }
    lines = QStringList();
    return printSourceLines(std::move(source));
}

void printText(TPrintService& service, QStringList lines, const TFontAttributes& font) {
    TJobFlag flag;
    std::unique_ptr<TPrintDevice> device = service.startJob(font);
    if (!device)
        return;
    std::unique_ptr<TPrintProgress> progress = service.startProgress(QStringLiteral("Printing..."));
    try {
        printDocument(*device, toSourceLines(std::move(lines)), progress.get());
    } catch (const TPrintCancelled&) {
        // The job was dropped; nothing more to say.
    }
}

bool printJobRunning() {
    return jobRunning;
}
