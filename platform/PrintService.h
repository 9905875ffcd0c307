#pragma once

#include "platform/FontAttributes.h"
#include "platform/core/PrintDevice.h"

#include <memory>

// Choosing a printer and starting a job on it, behind an interface that tests answer.
class TPrintService {
public:
    virtual ~TPrintService() = default;
    // Shows the print dialog; on OK starts a job, with an empty document name, on the chosen
    // printer, in the given font at the same point size on paper. Returns null when the dialog is
    // cancelled. Throws TLpError when no printer can be used.
    virtual std::unique_ptr<TPrintDevice> startJob(const TFontAttributes& font) = 0;
};
