#include "platform/QtPrintDevice.h"

#include "platform/ErrorTexts.h"
#include "platform/Errors.h"
#include "platform/QtColors.h"
#include "platform/QtFonts.h"

#include <QCoreApplication>
#include <QPaintEngine>
#include <QPrinter>

namespace {

QString toQString(std::u16string_view run) {
    return QString(reinterpret_cast<const QChar*>(run.data()), qsizetype(run.size()));
}

// The printer hands pages on; meanwhile the window repaints and takes input.
void letTheWindowBreathe() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

} // namespace

TQtPrintDevice::TQtPrintDevice(QPrinter& printer, const TFontAttributes& font)
    : device_(printer), printer_(&printer), metrics_(QFont()) {
    printer.setDocName(QString());
    if (!printer.isValid())
        throw TLpError(errortext::invalidPrinter);
    begin(font);
}

TQtPrintDevice::TQtPrintDevice(QPagedPaintDevice& device, const TFontAttributes& font)
    : device_(device), metrics_(QFont()) {
    begin(font);
}

void TQtPrintDevice::begin(const TFontAttributes& font) {
    if (!painter_.begin(&device_))
        throw TLpError(errortext::invalidPrinter);
    // A font in points on a painter of a printer is scaled to the printer's resolution. Without
    // shaping, "fi" or "ffi" stay separate characters rather than becoming ligatures, so that the
    // words of a PDF can be searched for and copied as they were typed.
    painter_.setFont(toPageFont(font));
    painter_.setPen(toQColor(font.color, QPalette()));
    metrics_ = painter_.fontMetrics();
}

TQtPrintDevice::~TQtPrintDevice() {
    if (painter_.isActive())
        painter_.end();
}

int TQtPrintDevice::pageWidth() const {
    return device_.width();
}

int TQtPrintDevice::pageHeight() const {
    return device_.height();
}

TPrintDevice::TExtent TQtPrintDevice::measure(std::u16string_view run) {
    return {metrics_.horizontalAdvance(toQString(run)), metrics_.height()};
}

int TQtPrintDevice::charHeight() const {
    return metrics_.height();
}

int TQtPrintDevice::averageCharWidth() const {
    return metrics_.averageCharWidth();
}

void TQtPrintDevice::drawText(int x, int y, std::u16string_view run) {
    painter_.drawText(QPoint(x, y + metrics_.ascent()), toQString(run));
}

void TQtPrintDevice::newPage() {
    if (!device_.newPage())
        throw TLpError(errortext::printError);
    letTheWindowBreathe();
}

void TQtPrintDevice::endJob() {
    if (!painter_.isActive())
        return;
    const bool ok = painter_.end();
    letTheWindowBreathe();
    if (!ok)
        throw TLpError(errortext::printError);
}

void TQtPrintDevice::abortJob() {
    if (!painter_.isActive())
        return;
    // A printer recording pages for a preview has no job to drop; aborting through its stand-in
    // engine leaves the printer broken (it crashes when destroyed, Qt 6.4).
    const QPaintEngine* engine = painter_.paintEngine();
    if (printer_ && engine && engine->type() != QPaintEngine::Picture)
        printer_->abort();
    if (painter_.isActive())
        painter_.end();
    letTheWindowBreathe();
}
