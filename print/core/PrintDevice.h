#pragma once

#include <cstddef>
#include <string_view>

// The printer as the print layout sees it: one started job on a printer whose font is already set.
// Every value is in device units (printer pixels) measured from the top-left corner of the
// printable area. Failures are thrown.
class TPrintDevice {
public:
    struct TExtent {
        int width = 0;
        int height = 0;
    };

    virtual ~TPrintDevice() = default;

    virtual int pageWidth() const = 0;  ///< printable width
    virtual int pageHeight() const = 0; ///< printable height
    // The size of a run of characters in the printer's font; the height is the font's line height
    // whatever the characters, also for an empty run.
    virtual TExtent measure(std::u16string_view run) = 0;
    virtual int charHeight() const = 0;
    virtual int averageCharWidth() const = 0;
    // Draws a run with its top-left corner at (x, y).
    virtual void drawText(int x, int y, std::u16string_view run) = 0;
    // Ends the current page and starts the next one.
    virtual void newPage() = 0;
    // Ends the current page and the job. Called exactly once per job, also after a failure.
    virtual void endJob() = 0;
    // Ends a cancelled job, throwing away what the device can still throw away (a printer drops
    // the job, a file is not kept). Called instead of endJob(); by default the same as endJob().
    virtual void abortJob() { endJob(); }
};

// Told how far a job has come, and asked whether to go on.
class TPrintProgress {
public:
    virtual ~TPrintProgress() = default;
    // done of total source lines are laid out. Returns false when the author cancelled the job.
    virtual bool advance(std::size_t done, std::size_t total) = 0;
};
