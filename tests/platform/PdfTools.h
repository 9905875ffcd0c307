#pragma once

#include "platform/Printing.h"
#include "print/core/PrintDevice.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>

#include <functional>
#include <memory>
#include <vector>

namespace lptest {

// Forwards to the real device and keeps what went to each page in pages, which outlives the job.
class RecordingDevice : public TPrintDevice {
public:
    RecordingDevice(std::unique_ptr<TPrintDevice> inner, std::vector<QStringList>& pages)
        : inner_(std::move(inner)), pages(pages) {
        pages.assign(1, QStringList());
    }

    int pageWidth() const override { return inner_->pageWidth(); }
    int pageHeight() const override { return inner_->pageHeight(); }
    TExtent measure(std::u16string_view run) override { return inner_->measure(run); }
    int charHeight() const override { return inner_->charHeight(); }
    int averageCharWidth() const override { return inner_->averageCharWidth(); }
    void drawText(int x, int y, std::u16string_view run) override {
        pages.back() << QString::fromStdU16String(std::u16string(run));
        inner_->drawText(x, y, run);
    }
    void newPage() override {
        pages.emplace_back();
        inner_->newPage();
    }
    void endJob() override { inner_->endJob(); }

private:
    std::unique_ptr<TPrintDevice> inner_;
    std::vector<QStringList>& pages;
};

// The real service on a PDF printer, with the dialog answered by the test.
class PdfPrintService : public TQtPrintService {
public:
    QString file;
    bool answer = true;
    bool havePrinter = true;
    int dialogs = 0;
    QAbstractPrintDialog::PrintDialogOptions options;
    std::vector<QStringList> pages; ///< what the last job drew, page by page
    int previewPages = -1;          ///< how many pages the last preview showed
    QString previewTitle;           ///< the preview window's caption
    QPageLayout previewLayout;      ///< the paper the last preview showed
    bool pressPreviewPrint = false; ///< the preview's Print button is pressed (its dialog skipped)
    // Answers the job's progress; empty: the real progress dialog.
    std::function<bool(std::size_t done, std::size_t total)> onProgress;
    std::vector<QString> progressLabels;

    std::unique_ptr<TPrintDevice> startJob(const TFontAttributes& font) override {
        std::unique_ptr<TPrintDevice> inner = TQtPrintService::startJob(font);
        if (!inner)
            return nullptr;
        return std::make_unique<RecordingDevice>(std::move(inner), pages);
    }

    std::unique_ptr<TPrintProgress> startProgress(const QString& label) override {
        progressLabels.push_back(label);
        if (!onProgress)
            return TQtPrintService::startProgress(label);
        struct Answer : TPrintProgress {
            std::function<bool(std::size_t, std::size_t)> f;
            bool advance(std::size_t done, std::size_t total) override { return f(done, total); }
        };
        auto answer = std::make_unique<Answer>();
        answer->f = onProgress;
        return answer;
    }

protected:
    std::unique_ptr<QPrinter> defaultPrinter() override {
        if (!havePrinter)
            return nullptr;
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(file);
        printer->setDocName("left over");
        return printer;
    }
    bool execDialog(QPrintDialog& dialog) override {
        ++dialogs;
        options = dialog.options();
        return answer;
    }
    // Lays the preview out as showing it does, without showing it.
    void execPreview(QPrintPreviewDialog& dialog) override {
        auto* widget = dialog.findChild<QPrintPreviewWidget*>();
        widget->updatePreview();
        previewPages = widget->pageCount();
        previewTitle = dialog.windowTitle();
        previewLayout = dialog.printer()->pageLayout();
        if (pressPreviewPrint)
            widget->print();
    }
};

inline TFontAttributes monoFont() {
    TFontAttributes font;
    font.name = "DejaVu Sans Mono";
    font.size = 10;
    return font;
}

inline QString runTool(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The lines of one page of a PDF file as pdftotext reads them.
inline QStringList pdfPage(const QString& file, int page) {
    const QString text =
        runTool("pdftotext", {"-f", QString::number(page), "-l", QString::number(page), file, "-"});
    QStringList lines;
    for (QString line : text.split('\n')) {
        line.remove('\f');
        if (!line.trimmed().isEmpty())
            lines << line;
    }
    return lines;
}

} // namespace lptest
