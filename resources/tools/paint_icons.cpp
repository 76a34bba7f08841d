// Paints the application icon at every size the program ships, into the folder given as the
// only argument. Run it again after changing the drawing:
//   cmake --build build --target rx_paint_icons && build/resources/rx_paint_icons resources/icons
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

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
    return 0;
}
