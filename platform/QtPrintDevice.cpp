#include "platform/QtPrintDevice.h"

#include "platform/Errors.h"
#include "platform/QtColors.h"
#include "platform/QtFonts.h"

#include <QCoreApplication>
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
    : printer_(printer), metrics_(QFont()) {
    printer_.setDocName(QString());
    if (!printer_.isValid() || !painter_.begin(&printer_))
        throw TLpError("Imprimante sélectionnée incorrecte");
    // A font in points on a painter of a printer is scaled to the printer's resolution.
    painter_.setFont(toQFont(font));
    painter_.setPen(toQColor(font.color, QPalette()));
    metrics_ = painter_.fontMetrics();
}

TQtPrintDevice::~TQtPrintDevice() {
    if (painter_.isActive())
        painter_.end();
}

int TQtPrintDevice::pageWidth() const {
    return printer_.width();
}

int TQtPrintDevice::pageHeight() const {
    return printer_.height();
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
    if (!printer_.newPage())
        throw TLpError("Erreur d'impression");
    letTheWindowBreathe();
}

void TQtPrintDevice::endJob() {
    if (!painter_.isActive())
        return;
    const bool ok = painter_.end();
    letTheWindowBreathe();
    if (!ok)
        throw TLpError("Erreur d'impression");
}
