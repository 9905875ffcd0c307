#pragma once

#include "platform/FontAttributes.h"
#include "print/core/PrintDevice.h"

#include <QFontMetrics>
#include <QPainter>

class QPagedPaintDevice;
class QPrinter;

// A job on a QPrinter (or on a PDF writer, which lays pages out as a PDF printer does): painting
// starts with the object (the first page is open) and ends with endJob(). Device units are the
// printer's pixels; (0, 0) is the top-left corner of the printable area. Between pages, pending
// window events are processed so the program stays responsive.
class TQtPrintDevice : public TPrintDevice {
public:
    // A job with an empty document name. Throws TLpError "Imprimante sélectionnée incorrecte" when
    // the printer cannot start a job.
    TQtPrintDevice(QPrinter& printer, const TFontAttributes& font);
    // A job on any paged device, whose document name the caller sets.
    TQtPrintDevice(QPagedPaintDevice& device, const TFontAttributes& font);
    ~TQtPrintDevice() override;

    int pageWidth() const override;
    int pageHeight() const override;
    TExtent measure(std::u16string_view run) override;
    int charHeight() const override;
    int averageCharWidth() const override;
    void drawText(int x, int y, std::u16string_view run) override;
    void newPage() override;
    void endJob() override;
    void abortJob() override;

private:
    void begin(const TFontAttributes& font);

    QPagedPaintDevice& device_;
    QPrinter* printer_ = nullptr; ///< the device when it is a printer
    QPainter painter_;
    QFontMetrics metrics_;
};
