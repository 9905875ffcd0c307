#pragma once

#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/PrintService.h"
#include "platform/Prompts.h"
#include "tests/platform/FakePrintDevice.h"
#include "tests/support/FakeDialogs.h"
#include "tests/support/FakePrompts.h"

#include <QStringList>
#include <QTextDocument>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace lptest {

using ViewPrompts = FakePrompts;
using ViewDialogs = FakeDialogs; ///< cancels every file dialog

// A print service whose dialog is answered by the test and whose printer is a FakePrintDevice
// that outlives the job, so the test can look at what was printed.
class ViewPrintService : public TPrintService {
public:
    bool answer = true;
    int calls = 0;
    std::optional<TFontAttributes> font;
    FakePrintDevice device;
    // What the preview and the export were given.
    struct Output {
        QString path;
        QString title;
        QStringList lines;
        TFontAttributes font;
    };
    std::vector<Output> previews, exports;
    QString exportError;          ///< thrown by exportPdf as a TLpError when not empty
    bool exportCancelled = false; ///< exportPdf answers that the author cancelled

    std::unique_ptr<TPrintDevice> startJob(const TFontAttributes& f) override {
        ++calls;
        font = f;
        if (!answer)
            return nullptr;
        return std::make_unique<Proxy>(device);
    }
    void preview(QStringList lines, const TFontAttributes& f) override {
        previews.push_back({QString(), QString(), lines, f});
    }
    bool exportPdf(const QString& path, const QString& title, QStringList lines,
                   const TFontAttributes& f) override {
        if (!exportError.isEmpty())
            throw TLpError(exportError);
        exports.push_back({path, title, lines, f});
        return !exportCancelled;
    }

    bool exportDocumentPdf(const QString& path, const QString& title,
                           const QTextDocument& document) override {
        if (!exportError.isEmpty())
            throw TLpError(exportError);
        exports.push_back({path, title, document.toPlainText().split(QLatin1Char('\n')), {}});
        return !exportCancelled;
    }

private:
    class Proxy : public TPrintDevice {
    public:
        explicit Proxy(TPrintDevice& d) : d_(d) {}
        int pageWidth() const override { return d_.pageWidth(); }
        int pageHeight() const override { return d_.pageHeight(); }
        TExtent measure(std::u16string_view run) override { return d_.measure(run); }
        int charHeight() const override { return d_.charHeight(); }
        int averageCharWidth() const override { return d_.averageCharWidth(); }
        void drawText(int x, int y, std::u16string_view run) override { d_.drawText(x, y, run); }
        void newPage() override { d_.newPage(); }
        void endJob() override { d_.endJob(); }

    private:
        TPrintDevice& d_;
    };
};

// Its progress answers Cancel once the count reaches cancelAt.
class CancellingPrintService : public ViewPrintService {
public:
    std::size_t cancelAt = SIZE_MAX;
    std::vector<QString> labels;
    std::vector<std::size_t> heard;
    std::unique_ptr<TPrintProgress> startProgress(const QString& label) override {
        labels.push_back(label);
        struct Answer : TPrintProgress {
            CancellingPrintService* s;
            bool advance(std::size_t done, std::size_t) override {
                s->heard.push_back(done);
                return done < s->cancelAt;
            }
        };
        auto answer = std::make_unique<Answer>();
        answer->s = this;
        return answer;
    }
};

} // namespace lptest
