#pragma once

#include "platform/FontAttributes.h"
#include "platform/core/PrintDevice.h"

#include <QFontMetrics>
#include <QPainter>

class QPrinter;

// A job on a QPrinter: painting starts with the object (the first page is open) and ends with
// endJob(). Device units are the printer's pixels; (0, 0) is the top-left corner of the printable
// area. Between pages, pending window events are processed so the program stays responsive.
class TQtPrintDevice : public TPrintDevice {
public:
    // Throws TLpError "Imprimante sélectionnée incorrecte" when the printer cannot start a job.
    TQtPrintDevice(QPrinter& printer, const TFontAttributes& font);
    ~TQtPrintDevice() override;

    int pageWidth() const override;
    int pageHeight() const override;
    TExtent measure(std::u16string_view run) override;
    int charHeight() const override;
    int averageCharWidth() const override;
    void drawText(int x, int y, std::u16string_view run) override;
    void newPage() override;
    void endJob() override;

private:
    QPrinter& printer_;
    QPainter painter_;
    QFontMetrics metrics_;
};
