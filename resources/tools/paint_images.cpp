// Paints the application icon at every size the program ships and the eight 16 x 16 images
// of the channel editor's satellite tree (with their 24 and 32 pixel copies), into the folder given
// as the only argument. Run it again after changing a drawing:
//   cmake --build build --target rx_paint_images && build/resources/rx_paint_images
//   resources/images
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <string>

namespace {
// Draws on a 256 x 256 canvas; `small` thickens the strokes for the 16 and 24 pixel sizes.
void paintIcon(QPainter& painter, bool small) {
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 256);
    sky.setColorAt(0, QColor(0x33, 0x77, 0xcc));
    sky.setColorAt(1, QColor(0x14, 0x3c, 0x78));
    painter.setPen(QPen(QColor(0x0e, 0x2c, 0x5a), small ? 10 : 4));
    painter.setBrush(sky);
    painter.drawRoundedRect(QRectF(6, 6, 244, 244), 44, 44);

    const QColor amber(0xff, 0xb3, 0x1f);
    const QColor white(0xff, 0xff, 0xff);
    const QColor rim(0xc4, 0xd6, 0xee);
    const QPointF feed(162, 86);

    // Signal arcs coming in from the upper right.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(amber, small ? 22 : 15, Qt::SolidLine, Qt::RoundCap));
    const QList<qreal> radii = small ? QList<qreal>{48} : QList<qreal>{34, 62};
    for (const qreal radius : radii) {
        painter.drawArc(QRectF(feed.x() - radius, feed.y() - radius, 2 * radius, 2 * radius),
                        10 * 16, 70 * 16);
    }

    // Stand.
    painter.setPen(Qt::NoPen);
    painter.setBrush(white);
    QPainterPath stand;
    stand.moveTo(86, 150);
    stand.lineTo(58, 226);
    stand.lineTo(126, 226);
    stand.closeSubpath();
    painter.drawPath(stand);

    // The dish, drawn facing up and turned to face the upper right.
    painter.save();
    painter.translate(114, 134);
    painter.rotate(45);
    QPainterPath bowl;
    bowl.moveTo(-78, 0);
    bowl.arcTo(QRectF(-78, -46, 156, 92), 180, 180);
    bowl.closeSubpath();
    painter.setBrush(white);
    painter.drawPath(bowl);
    painter.setPen(QPen(rim, small ? 14 : 9, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(-78, 0), QPointF(78, 0));
    painter.setPen(QPen(white, small ? 16 : 10, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(0, 0), QPointF(0, -62));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(0, -68), small ? 17 : 14, small ? 17 : 14);
    painter.restore();
}
// The tree images are pixel drawings in the 16 colours of a 4-bit palette; '.' is transparent.
QColor paletteColour(char key) {
    switch (key) {
    case 'b':
        return QColor(0x00, 0x00, 0x80); // navy
    case 'B':
        return QColor(0x00, 0x00, 0xFF); // blue
    case 'C':
        return QColor(0x00, 0xFF, 0xFF); // cyan
    case 'G':
        return QColor(0x00, 0xFF, 0x00); // green
    case 'M':
        return QColor(0xFF, 0x00, 0xFF); // magenta
    case 'o':
        return QColor(0x80, 0x80, 0x00); // olive
    case 'r':
        return QColor(0x80, 0x00, 0x00); // maroon
    case 'R':
        return QColor(0xFF, 0x00, 0x00); // red
    case 'g':
        return QColor(0x80, 0x80, 0x80); // grey
    case 's':
        return QColor(0xC0, 0xC0, 0xC0); // silver
    case 'w':
        return QColor(0xFF, 0xFF, 0xFF); // white
    case 'y':
        return QColor(0xFF, 0xFF, 0x00); // yellow
    default:
        return Qt::transparent;
    }
}

using PixelDrawing = std::array<std::string, 16>;

// clang-format off
const PixelDrawing satellite{
    "................",
    "................",
    "................",
    ".......s........",
    "......sgs.......",
    ".......g........",
    "bBbBb.oyyo.bBbBb",
    "BbBbB.oyyo.BbBbB",
    "bBbBbgoyyogbBbBb",
    "BbBbBgoyyogBbBbB",
    "bBbBb.oyyo.bBbBb",
    "BbBbB.oooo.BbBbB",
    "................",
    "................",
    "................",
    "................"};

const PixelDrawing dish{
    "................",
    "................",
    "...........g....",
    "..ss......g.....",
    "..sgs....g......",
    "..sggs..g.......",
    "..sgggsg........",
    "..sggggs........",
    "...sggggs.......",
    "....sggggs......",
    ".....sgggss.....",
    "......ssss......",
    "......gg........",
    ".....gggg.......",
    "....gggggg......",
    "................"};

const PixelDrawing screen{
    "................",
    "................",
    ".gggggggggggggg.",
    ".gsssssssssssssg",
    ".gsRRyyGGCCBBMsg",
    ".gsRRyyGGCCBBMsg",
    ".gsRRyyGGCCBBMsg",
    ".gsRRyyGGCCBBMsg",
    ".gsRRyyGGCCBBMsg",
    ".gsssssssssssssg",
    ".gggggggggggggg.",
    "......gggg......",
    "....gggggggg....",
    "................",
    "................",
    "................"};

const PixelDrawing radio{
    "..............g.",
    ".............g..",
    "............g...",
    "...........g....",
    ".rrrrrrrrrrrrrr.",
    ".rwwwwwwwwwwwwr.",
    ".rwsgsgsrryyyyr.",
    ".rwgsgsgrrgyyyr.",
    ".rwsgsgsrryyyyr.",
    ".rwgsgsgrrrrrrr.",
    ".rwsgsgsrrssrssr",
    ".rwgsgsgrrssrssr",
    ".rwwwwwwwwwwwwr.",
    ".rrrrrrrrrrrrrr.",
    "..gg........gg..",
    "................"};

// Red signal marks, first column at the image's edge.
const std::array<std::string, 3> signalMarks{
    "RRR",
    "...R",
    "RR.R"};
// clang-format on

enum class Corner { topLeft, topRight, bottomRight };

// `drawing` with red signal marks in one corner, mirrored to face it.
PixelDrawing withMarks(PixelDrawing drawing, Corner corner) {
    for (int row = 0; row < 3; ++row) {
        const std::string& marks = signalMarks[std::size_t(row)];
        for (int column = 0; column < int(marks.size()); ++column) {
            if (marks[std::size_t(column)] == '.')
                continue;
            const int x = corner == Corner::topLeft ? column : 15 - column;
            const int y = corner == Corner::bottomRight ? 15 - row : row;
            drawing[std::size_t(y)][std::size_t(x)] = marks[std::size_t(column)];
        }
    }
    return drawing;
}

QImage drawPixels(const PixelDrawing& drawing) {
    QImage image(16, 16, QImage::Format_ARGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            image.setPixelColor(x, y, paletteColour(drawing[std::size_t(y)][std::size_t(x)]));
    return image;
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QDir target(QString::fromLocal8Bit(argv[1]));
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.scale(size / 256.0, size / 256.0);
        paintIcon(painter, size <= 24);
        painter.end();
        if (!image.save(target.filePath(QStringLiteral("rx7700-%1.png").arg(size))))
            return 1;
    }

    // In the order of the tree's image list: satellite with a C-band LNB, with a single local
    // oscillator, with a universal LNB; vertical and horizontal transponder; TV and radio
    // program; satellite without a usable LNB setting.
    const std::array<PixelDrawing, 8> treeImages{withMarks(satellite, Corner::topLeft),
                                                 withMarks(satellite, Corner::topRight),
                                                 withMarks(satellite, Corner::bottomRight),
                                                 dish,
                                                 withMarks(dish, Corner::topRight),
                                                 screen,
                                                 radio,
                                                 satellite};
    for (std::size_t i = 0; i < treeImages.size(); ++i) {
        const QImage image = drawPixels(treeImages[i]);
        if (!image.save(target.filePath(QStringLiteral("tree-%1.png").arg(i))))
            return 1;
        // For screens of 1.5 and 2 device pixels per pixel: every drawing pixel becomes whole
        // device pixels of its own colour, none blended with its neighbours.
        for (const int size : {24, 32}) {
            const QImage larger =
                image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
            if (!larger.save(target.filePath(QStringLiteral("tree-%1-%2.png").arg(i).arg(size))))
                return 1;
        }
    }
    return 0;
}
