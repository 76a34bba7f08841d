#include "resources/app_icon.h"
#include "resources/tree_images.h"

#include <QImage>

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
