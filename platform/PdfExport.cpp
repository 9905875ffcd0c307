#include "platform/PdfExport.h"

#include "platform/ErrorTexts.h"
#include "platform/Errors.h"
#include "platform/QtPrintDevice.h"
#include "platform/core/PdfLinks.h"
#include "platform/core/SafeFile.h"
#include "print/core/PrintLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QIODevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextLayout>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace {

// The system's reason for a failure, or what the path names instead of a regular file.
QString reasonOf(const safefile::TWriteResult& r) {
    if (r.failed == safefile::TStage::notRegular ||
        (!r.error && r.kind != safefile::TKind::missing))
        return QStringLiteral("It is %1, not a regular file")
            .arg(QString::fromLatin1(safefile::kindName(r.kind)));
    return QString::fromLocal8Bit(safefile::reasonOf(r.error).c_str());
}

TLpError createError(const QString& path, const safefile::TWriteResult& r) {
    return TLpError(errortext::cannotCreateFile.arg(path) + ".\n" + reasonOf(r));
}

// The file named with the reason; a previous file kept as it was, or in its backup.
TLpError writeError(const QString& path, const safefile::TWriteResult& r) {
    const QString kept =
        r.failed == safefile::TStage::restore
            ? QStringLiteral("The file's previous bytes could not be put back and are kept in %1.")
                  .arg(QFile::decodeName(r.backupPath.c_str()))
            : QStringLiteral("Any file of that name keeps its previous bytes.");
    return TLpError(errortext::streamWriteError +
                    QStringLiteral(".\n%1: %2. %3").arg(path, reasonOf(r), kept));
}

// What the PDF writer writes, handed to a file writer.
class TFileWriterDevice : public QIODevice {
public:
    // A copy of the bytes is kept from the first write on while keep says so.
    TFileWriterDevice(safefile::TFileWriter& file, std::function<bool()> keep)
        : file_(file), keep_(std::move(keep)) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    // All the bytes written, or nothing when they were not all kept.
    std::string_view kept() const {
        return std::size_t(total_) == kept_.size() ? std::string_view(kept_) : std::string_view();
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 n) override {
        if (total_ == qint64(kept_.size()) && keep_())
            kept_.append(data, std::size_t(n));
        total_ += n;
        return file_.write({data, std::size_t(n)}) ? n : -1;
    }

private:
    safefile::TFileWriter& file_;
    std::function<bool()> keep_;
    std::string kept_;
    qint64 total_ = 0;
};

} // namespace

QPageLayout pdfPageLayout(const QPageLayout& printerLayout) {
    QPageLayout layout = printerLayout;
    layout.setUnits(QPageLayout::Millimeter);
    layout.setMinimumMargins(QMarginsF());
    layout.setMargins(QMarginsF(kPdfMarginMm, kPdfMarginMm, kPdfMarginMm, kPdfMarginMm));
    return layout;
}

namespace {

using TPlaces = std::vector<pdflinks::TPlace>;

// The named anchors of a document laid out on pages (a page's target marks), as places of the PDF
// file that its links can lead to: pages start at `starts` in the layout, their body is `body`
// on paper of `paperHeight`, all in pixels of `resolution`.
TPlaces placesOf(const QTextDocument& doc, const std::vector<qreal>& starts, const QRectF& body,
                 qreal paperHeight, int resolution) {
    TPlaces places;
    const qreal points = 72.0 / resolution;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextLayout* lines = b.layout();
        for (auto it = b.begin(); lines && !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QStringList names = f.charFormat().anchorNames();
            const QTextLine line = lines->lineForTextPosition(f.position() - b.position());
            if (names.isEmpty() || !line.isValid())
                continue;
            const qreal y = doc.documentLayout()->blockBoundingRect(b).top() + line.y();
            const std::size_t page = std::size_t(std::max<std::ptrdiff_t>(
                std::upper_bound(starts.begin(), starts.end(), y) - starts.begin() - 1, 0));
            const qreal x = body.left() + line.cursorToX(f.position() - b.position());
            const qreal top = paperHeight - body.top() - (y - starts[page]);
            for (const QString& name : names)
                places.push_back({name.toStdString(), int(page), x * points, top * points});
        }
    }
    return places;
}

// Writes through a PDF writer set up for the pages; draw returns false when the progress cancelled.
// The places it names (in the pages' order) are where links "#name" of the file lead.
bool writeWith(const QString& path, const QString& title, const TPdfPages& pages,
               const std::function<bool(QPdfWriter&, TPlaces&)>& draw) {
    // Not committed, the file keeps its previous bytes and nothing is left beside it, whatever
    // ends the export.
    safefile::TFileWriter file;
    if (const safefile::TWriteResult r = file.open(QFile::encodeName(path).toStdString()); !r.ok())
        throw createError(path, r);
    TPlaces places;
    // Only a file with places is read again for its links.
    TFileWriterDevice out(file, [&places] { return !places.empty(); });
    {
        QPdfWriter writer(&out);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Lark Pad"));
        writer.setResolution(pages.resolution);
        writer.setPageLayout(pages.layout);
        if (!draw(writer, places))
            return false;
    }
    if (!places.empty() && !out.kept().empty()) {
        const pdflinks::TLinkEdits edits = pdflinks::internalLinks(out.kept(), places);
        for (const pdflinks::TEdit& edit : edits.inPlace)
            file.writeAt(edit.offset, edit.bytes); // a failure is reported by commit
        file.write(edits.appended);
    }
    // The writer does not report failed writes; the file writer does.
    const safefile::TWriteResult r = file.commit();
    switch (r.failed) {
    case safefile::TStage::none:
        return true;
    case safefile::TStage::notRegular:
    case safefile::TStage::create:
        throw createError(path, r);
    case safefile::TStage::write:
    case safefile::TStage::restore:
        throw writeError(path, r);
    }
    return true;
}

} // namespace

bool writePdf(const QString& path, const QString& title, const TPdfPages& pages,
              const std::vector<std::u16string>& lines, const TFontAttributes& font,
              TPrintProgress* progress) {
    return writeWith(path, title, pages, [&](QPdfWriter& writer, TPlaces&) {
        TQtPrintDevice device(writer, font);
        try {
            printDocument(device, lines, progress);
        } catch (const TPrintCancelled&) {
            return false;
        }
        return true;
    });
}

bool writeDocumentPdf(const QString& path, const QString& title, const TPdfPages& pages,
                      const QTextDocument& document, TPrintProgress* progress) {
    return writeWith(path, title, pages, [&](QPdfWriter& writer, TPlaces& places) {
        // A copy laid out on the page's body width at the writer's resolution, cut into pages
        // between its lines, drawn a page at a time.
        std::unique_ptr<QTextDocument> copy(document.clone());
        copy->documentLayout()->setPaintDevice(&writer);
        const QRectF body = writer.pageLayout().paintRectPixels(writer.resolution());
        copy->setDocumentMargin(0);
        copy->setTextWidth(body.width());
        QAbstractTextDocumentLayout* layout = copy->documentLayout();
        std::vector<qreal> starts{0};
        for (QTextBlock b = copy->begin(); b.isValid(); b = b.next()) {
            const qreal top = layout->blockBoundingRect(b).top();
            const QTextLayout* lines = b.layout();
            for (int i = 0; lines && i < lines->lineCount(); ++i) {
                const QTextLine line = lines->lineAt(i);
                const qreal y = top + line.y();
                if (y + line.height() > starts.back() + body.height() && y > starts.back())
                    starts.push_back(y);
            }
        }
        const std::size_t count = starts.size();
        places = placesOf(*copy, starts, body,
                          writer.pageLayout().fullRectPixels(writer.resolution()).height(),
                          writer.resolution());
        QPainter painter(&writer);
        for (std::size_t p = 0; p < count; ++p) {
            if (p > 0)
                writer.newPage();
            const qreal end = p + 1 < count ? starts[p + 1] : starts[p] + body.height();
            painter.save();
            painter.translate(0, -starts[p]);
            QAbstractTextDocumentLayout::PaintContext context;
            // A hair inside the page's lines: a block that only touches them is not drawn here
            // even clipped (its text would still be in the file).
            context.clip = QRectF(0, starts[p] + 0.5, body.width(), end - starts[p] - 1);
            painter.setClipRect(context.clip);
            layout->draw(&painter, context);
            painter.restore();
            if (progress && !progress->advance(p + 1, count))
                return false;
        }
        return true;
    });
}
