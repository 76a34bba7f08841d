#pragma once

#include <QIcon>
#include <QPixmap>

// The images of the channel editor's satellite tree, 16 x 16 pixels with transparent
// background, by index: 0 satellite with a C-band LNB, 1 satellite with a single local
// oscillator, 2 satellite with a universal LNB, 3 vertical transponder, 4 horizontal
// transponder, 5 TV program, 6 radio program, 7 satellite without a usable LNB setting.
constexpr int treeImageCount = 8;

// A null pixmap for an index outside 0 to 7.
QPixmap treeImage(int index);

// The same image for drawing at 16 x 16 pixels on any screen: it holds 24 and 32 pixel copies
// for 1.5 and 2 device pixels per pixel, so that the image stays sharp there. A null icon for
// an index outside 0 to 7.
QIcon treeIcon(int index);
