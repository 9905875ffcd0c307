#include "print/core/JpegDecode.h"
#include "tests/support/TestEnv.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <gtest/gtest.h>

#include <cstdlib>

using jpeg::TDecodeStatus;

namespace {

QByteArray dataFile(const char* name) {
    return lptest::readFile(QString(LARKPAD_TEST_DATA) + "/" + name);
}

TDecodeStatus decode(const QByteArray& bytes, jpeg::TImage& image, jpeg::TLimits limits = {}) {
    return jpeg::decode(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                        std::size_t(bytes.size()), limits, image);
}

// Pixel at x, y as 0xRRGGBB.
unsigned pixel(const jpeg::TImage& image, int x, int y) {
    const std::uint8_t* p = image.rgb.data() + (std::size_t(y) * image.width + x) * 3;
    return unsigned(p[0]) << 16 | unsigned(p[1]) << 8 | p[2];
}

bool near(unsigned rgb, unsigned expected, int tolerance = 24) {
    for (int shift : {16, 8, 0})
        if (std::abs(int((rgb >> shift) & 255) - int((expected >> shift) & 255)) > tolerance)
            return false;
    return true;
}

QByteArray writeJpeg(const QImage& image, bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

} // namespace

TEST(JpegDecode, ColourGreyAndCmykPicturesDecodeToRgb) {
    jpeg::TImage image;
    ASSERT_EQ(decode(dataFile("small.jpg"), image), TDecodeStatus::ok);
    EXPECT_EQ(image.width, 16);
    EXPECT_EQ(image.height, 12);
    EXPECT_EQ(image.rgb.size(), 16u * 12 * 3);
    EXPECT_TRUE(near(pixel(image, 2, 6), 0xFF0000));
    EXPECT_TRUE(near(pixel(image, 13, 6), 0x0000FF));

    ASSERT_EQ(decode(dataFile("gray.jpg"), image), TDecodeStatus::ok);
    EXPECT_TRUE(near(pixel(image, 8, 6), 0x7F7F7F));

    ASSERT_EQ(decode(dataFile("cmyk.jpg"), image), TDecodeStatus::ok);
    EXPECT_TRUE(near(pixel(image, 8, 6), 0x00FF00, 40));

    ASSERT_EQ(decode(dataFile("progressive.jpg"), image), TDecodeStatus::ok);
    EXPECT_EQ(image.width, 48);
    EXPECT_EQ(image.height, 32);
}

TEST(JpegDecode, LargePicturesAreDecodedScaledDown) {
    QImage big(800, 600, QImage::Format_RGB32);
    big.fill(QColor(0, 128, 255));
    for (bool progressive : {false, true}) {
        jpeg::TLimits limits;
        limits.previewSide = 100;
        jpeg::TImage image;
        ASSERT_EQ(decode(writeJpeg(big, progressive), image, limits), TDecodeStatus::ok);
        EXPECT_EQ(image.width, 200); // 1/4: the smallest scale that keeps 100 pixels a side
        EXPECT_EQ(image.height, 150);
        EXPECT_EQ(image.fullWidth, 800);
        EXPECT_TRUE(near(pixel(image, 100, 75), 0x0080FF));
    }
    EXPECT_EQ(jpeg::scaleDenominator(800, 600, 0), 1);
    EXPECT_EQ(jpeg::scaleDenominator(800, 600, 400), 1);
    EXPECT_EQ(jpeg::scaleDenominator(800, 600, 300), 2);
    EXPECT_EQ(jpeg::scaleDenominator(40000, 40000, 10), 8);
}

TEST(JpegDecode, DamagedAndForeignDataAreRefused) {
    jpeg::TImage image;
    // Cut at half its length: libjpeg would give a grey lower half with a warning.
    EXPECT_EQ(decode(dataFile("truncated.jpg"), image), TDecodeStatus::damaged);
    EXPECT_TRUE(image.rgb.empty());
    EXPECT_EQ(decode(dataFile("not-a-picture.jpg"), image), TDecodeStatus::notJpeg);
    EXPECT_EQ(decode(QByteArray(), image), TDecodeStatus::notJpeg);
    EXPECT_EQ(decode(QByteArray("\xFF\xD8\xFF", 3), image), TDecodeStatus::damaged);
    // Every prefix of a good file is refused or decoded; none ends the program.
    const QByteArray good = dataFile("small.jpg");
    for (int n = 0; n < good.size(); ++n) {
        const TDecodeStatus s = decode(good.left(n), image);
        EXPECT_TRUE(s == TDecodeStatus::damaged || s == TDecodeStatus::notJpeg) << n;
    }
    // Bytes flipped in the middle of the data.
    QByteArray flipped = good;
    for (int i = good.size() / 2; i < good.size() - 2; i += 7)
        flipped[i] = char(flipped[i] ^ 0x5A);
    const TDecodeStatus s = decode(flipped, image);
    EXPECT_TRUE(s == TDecodeStatus::ok || s == TDecodeStatus::damaged);
}

TEST(JpegDecode, HugeHeadersAreRefusedBeforeDecoding) {
    jpeg::TImage image;
    // A 300-byte file that claims 40000 by 40000 pixels.
    EXPECT_EQ(decode(dataFile("huge-header.jpg"), image), TDecodeStatus::tooLarge);
    EXPECT_EQ(image.fullWidth, 40000);
    EXPECT_EQ(image.fullHeight, 40000);
    EXPECT_TRUE(image.rgb.empty());

    // Within the pixel cap, a progressive picture still needs its whole coefficient buffer, which
    // the memory limit refuses.
    QImage picture(2000, 2000, QImage::Format_RGB32);
    picture.fill(Qt::white);
    jpeg::TLimits tight;
    tight.maxMemory = 4L * 1024 * 1024;
    tight.previewSide = 100;
    EXPECT_EQ(decode(writeJpeg(picture, true), image, tight), TDecodeStatus::outOfMemory);
    EXPECT_EQ(decode(writeJpeg(picture, false), image, tight), TDecodeStatus::ok);
}
