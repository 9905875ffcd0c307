#include "platform/PicturePreview.h"

#include "print/core/JpegDecode.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace {

// A preview reads the whole file: larger files are not previewed.
constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;
constexpr qint64 kMaxPixels = 100'000'000;

TPicturePreview note(const QString& text) {
    return {QImage(), QSize(), text};
}

TPicturePreview jpegPreview(const QString& path, int side) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return note("The picture cannot be read.");
    if (file.size() > kMaxFileBytes)
        return note("The file is too large to preview.");
    const QByteArray bytes = file.readAll();
    jpeg::TLimits limits;
    limits.maxPixels = kMaxPixels;
    limits.previewSide = side;
    jpeg::TImage decoded;
    switch (jpeg::decode(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                         std::size_t(bytes.size()), limits, decoded)) {
    case jpeg::TDecodeStatus::ok:
        break;
    case jpeg::TDecodeStatus::notJpeg:
        return note("This is not a JPEG picture.");
    case jpeg::TDecodeStatus::tooLarge:
        return note(QString("The picture is too large to preview (%1 x %2).")
                        .arg(decoded.fullWidth)
                        .arg(decoded.fullHeight));
    case jpeg::TDecodeStatus::damaged:
        return note("The picture is damaged.");
    case jpeg::TDecodeStatus::outOfMemory:
        return note("The picture is too large to preview.");
    }
    QImage image(decoded.width, decoded.height, QImage::Format_RGB888);
    if (image.isNull())
        return note("The picture is too large to preview.");
    for (int y = 0; y < decoded.height; ++y)
        std::copy_n(decoded.rgb.data() + std::size_t(y) * std::size_t(decoded.width) * 3,
                    std::size_t(decoded.width) * 3, image.scanLine(y));
    return {image, QSize(decoded.fullWidth, decoded.fullHeight), QString()};
}

TPicturePreview qtPreview(const QString& path) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPixels)
        return note("The picture is too large to preview.");
    QImage image = reader.read();
    if (image.isNull())
        return note("The picture cannot be shown.");
    return {image, image.size(), QString()};
}

} // namespace

TPicturePreview loadPicturePreview(const QString& path, int side) {
    const QFileInfo info(path);
    if (!info.isFile())
        return note(QString());
    const QString suffix = info.suffix().toLower();
    if (suffix == "jpg" || suffix == "jpeg")
        return jpegPreview(path, side);
    if (suffix == "bmp" || suffix == "ico")
        return qtPreview(path);
    if (suffix == "wmf")
        return note("No preview for metafiles.");
    return note("No preview for this file.");
}
