#include "resources/app_icon.h"
#include "resources/tree_images.h"

#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

TEST(Images, ApplicationIconAtEverySizeItIsDrawnIn) {
    const QIcon icon = applicationIcon();
    ASSERT_FALSE(icon.isNull());
    for (const int size : {16, 32, 48, 256}) {
        const QImage image = icon.pixmap(size, size).toImage();
        EXPECT_EQ(image.size(), QSize(size, size));
        // Transparent corners, opaque centre.
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);
    }
}

TEST(Images, EightDistinctTreeImagesOfSixteenPixels) {
    std::vector<QImage> images;
    for (int index = 0; index < treeImageCount; ++index) {
        const QPixmap pixmap = treeImage(index);
        ASSERT_FALSE(pixmap.isNull()) << index;
        EXPECT_EQ(pixmap.size(), QSize(16, 16));
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        for (const QImage& earlier : images)
            EXPECT_NE(image, earlier) << index;
        images.push_back(image);
    }
    EXPECT_TRUE(treeImage(-1).isNull());
    EXPECT_TRUE(treeImage(treeImageCount).isNull());
}

// At 1, 1.5 and 2 device pixels per pixel the images are drawn from copies made for that
// density: the size fits and no colour appears that the drawing does not have (an image
// scaled up smoothly would show blends of its neighbouring colours).
TEST(Images, SharpAtEveryDevicePixelRatio) {
    const auto colours = [](const QImage& image) {
        QSet<QRgb> found;
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < argb.height(); ++y)
            for (int x = 0; x < argb.width(); ++x)
                found.insert(argb.pixel(x, y));
        return found;
    };
    for (const qreal ratio : {1.0, 1.5, 2.0}) {
        const int device = qRound(16 * ratio);
        for (int index = 0; index < treeImageCount; ++index) {
            const QPixmap pixmap = treeIcon(index).pixmap(QSize(16, 16), ratio);
            EXPECT_EQ(pixmap.size(), QSize(device, device)) << index << " at " << ratio;
            EXPECT_TRUE(colours(treeImage(index).toImage()).contains(colours(pixmap.toImage())))
                << index << " at " << ratio;
        }
        // The application icon has a drawing of its own for each of these sizes.
        for (const int size : {16, 32}) {
            const int pixels = qRound(size * ratio);
            const QImage drawn = applicationIcon().pixmap(QSize(size, size), ratio).toImage();
            const QImage shipped(QStringLiteral(":/images/rx7700-%1.png").arg(pixels));
            ASSERT_FALSE(shipped.isNull()) << pixels;
            EXPECT_EQ(drawn.convertToFormat(QImage::Format_ARGB32),
                      shipped.convertToFormat(QImage::Format_ARGB32))
                << size << " at " << ratio;
        }
    }
    EXPECT_TRUE(treeIcon(treeImageCount).isNull());
}
