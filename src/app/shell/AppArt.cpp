#include "app/shell/AppArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

namespace tambrix::app::art {

namespace {

const QSize kButtonSize(16, 15);
const QColor kFolderYellow(236, 196, 80);
const QColor kFolderEdge(150, 110, 30);
const QColor kInk(40, 40, 60);
const QColor kAccent(40, 120, 200);

QPixmap blank(QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

/// The house emblem shared by the splash, the About box and the window icon.
void drawHouse(QPainter& p, const QRectF& box) {
    const qreal w = box.width(), h = box.height();
    QPolygonF roof;
    roof << QPointF(box.left() + w * 0.05, box.top() + h * 0.45) << QPointF(box.left() + w * 0.5, box.top() + h * 0.05)
         << QPointF(box.left() + w * 0.95, box.top() + h * 0.45);
    p.setPen(QPen(kInk, qMax<qreal>(1.0, w / 40)));
    p.setBrush(QColor(200, 70, 60));
    p.drawPolygon(roof);
    p.setBrush(QColor(245, 235, 210));
    const QRectF wall(box.left() + w * 0.18, box.top() + h * 0.45, w * 0.64, h * 0.5);
    p.drawRect(wall);
    p.setBrush(kAccent);
    p.drawRect(QRectF(wall.left() + wall.width() * 0.12, wall.top() + wall.height() * 0.18, wall.width() * 0.28,
                      wall.height() * 0.28));
    p.setBrush(QColor(120, 80, 40));
    p.drawRect(QRectF(wall.left() + wall.width() * 0.58, wall.top() + wall.height() * 0.35, wall.width() * 0.26,
                      wall.height() * 0.65));
}

}  // namespace

QPixmap ClosedFolder() {
    QPixmap pixmap = blank(QSize(16, 16));
    QPainter p(&pixmap);
    p.setPen(kFolderEdge);
    p.setBrush(kFolderYellow);
    p.drawRect(1, 2, 6, 3);
    p.drawRect(1, 4, 13, 9);
    return pixmap;
}

QPixmap OpenFolder() {
    QPixmap pixmap = blank(QSize(16, 16));
    QPainter p(&pixmap);
    p.setPen(kFolderEdge);
    p.setBrush(kFolderYellow.darker(115));
    p.drawRect(1, 2, 6, 3);
    p.drawRect(1, 4, 12, 9);
    p.setBrush(kFolderYellow.lighter(115));
    QPolygon flap;
    flap << QPoint(3, 7) << QPoint(15, 7) << QPoint(13, 13) << QPoint(1, 13);
    p.drawPolygon(flap);
    return pixmap;
}

QPixmap Archive() {
    // A brown carton tied with a band: a folder of files packed into one.
    QPixmap pixmap = blank(QSize(16, 16));
    QPainter p(&pixmap);
    p.setPen(QColor(110, 70, 30));
    p.setBrush(QColor(196, 150, 96));
    p.drawRect(1, 5, 13, 9);
    QPolygon lid;
    lid << QPoint(1, 5) << QPoint(3, 2) << QPoint(12, 2) << QPoint(14, 5);
    p.setBrush(QColor(220, 180, 120));
    p.drawPolygon(lid);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawRect(7, 2, 2, 12);
    return pixmap;
}

QPixmap DataFile(int size) {
    QPixmap pixmap = blank(QSize(size, size));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QPolygonF sheet;
    sheet << QPointF(s * 0.2, s * 0.05) << QPointF(s * 0.62, s * 0.05) << QPointF(s * 0.82, s * 0.25)
          << QPointF(s * 0.82, s * 0.95) << QPointF(s * 0.2, s * 0.95);
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawPolygon(sheet);
    p.setBrush(kAccent);
    p.drawRect(QRectF(s * 0.3, s * 0.45, s * 0.42, s * 0.3));
    return pixmap;
}

QIcon ToolbarButton(Button button) {
    QPixmap pixmap = blank(kButtonSize);
    QPainter p(&pixmap);
    p.setPen(QPen(kInk, 1));
    switch (button) {
        case Button::Delete:
            p.setPen(QPen(QColor(190, 30, 30), 2));
            p.drawLine(3, 3, 12, 12);
            p.drawLine(12, 3, 3, 12);
            break;
        case Button::Save:
            p.setBrush(kAccent);
            p.drawRect(1, 1, 13, 12);
            p.setBrush(Qt::white);
            p.drawRect(4, 1, 7, 5);
            p.fillRect(4, 9, 7, 4, QColor(200, 200, 200));
            break;
        case Button::LargeIcons:
            p.setBrush(kAccent);
            p.drawRect(1, 1, 6, 5);
            p.drawRect(9, 1, 6, 5);
            p.drawRect(1, 8, 6, 5);
            p.drawRect(9, 8, 6, 5);
            break;
        case Button::SmallIcons:
            p.setBrush(kAccent);
            for (int row = 0; row < 3; ++row)
                for (int col = 0; col < 3; ++col) p.drawRect(1 + col * 5, 1 + row * 5, 3, 3);
            break;
        case Button::List:
            for (int row = 0; row < 4; ++row) {
                p.fillRect(1, 1 + row * 4, 2, 2, kAccent);
                p.drawLine(5, 2 + row * 4, 14, 2 + row * 4);
            }
            break;
        case Button::Details:
            p.drawRect(1, 1, 14, 12);
            for (int row = 0; row < 3; ++row) p.drawLine(2, 4 + row * 3, 14, 4 + row * 3);
            p.drawLine(6, 1, 6, 13);
            break;
        case Button::About:
            p.setBrush(kAccent);
            p.drawEllipse(1, 0, 13, 13);
            p.setPen(Qt::white);
            p.drawText(QRect(1, 0, 14, 14), Qt::AlignCenter, "i");
            break;
        case Button::ContextHelp: {
            QPolygon arrow;
            arrow << QPoint(1, 1) << QPoint(1, 11) << QPoint(4, 8) << QPoint(7, 13) << QPoint(8, 12) << QPoint(6, 7)
                  << QPoint(9, 7);
            p.setBrush(Qt::white);
            p.drawPolygon(arrow);
            p.drawText(QRect(9, 0, 7, 14), Qt::AlignCenter, "?");
            break;
        }
    }
    return QIcon(pixmap);
}

QIcon ViewStepButton(ViewStep step) {
    QPixmap pixmap = blank(QSize(16, 16));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen ink(kInk, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    if (step == ViewStep::RotateLeft || step == ViewStep::RotateRight) {
        // Three quarters of a circle with an arrow head at its open end; the left turn
        // is the right one mirrored.
        const bool left = step == ViewStep::RotateLeft;
        if (left) p.setTransform(QTransform(-1, 0, 0, 1, 16, 0));
        p.setPen(ink);
        p.drawArc(QRectF(2.5, 2.5, 11, 11), 90 * 16, -270 * 16);
        QPolygonF head;
        head << QPointF(8.0, 0.5) << QPointF(12.0, 3.0) << QPointF(8.0, 5.5);
        p.setBrush(kAccent);
        p.setPen(QPen(kAccent, 1));
        p.drawPolygon(head);
        return QIcon(pixmap);
    }
    // A magnifying glass holding a plus or a minus.
    p.setPen(QPen(kInk, 1.4));
    p.setBrush(QColor(230, 240, 250));
    p.drawEllipse(QRectF(1.5, 1.5, 9.5, 9.5));
    p.setPen(QPen(kInk, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10.5, 10.5), QPointF(14.5, 14.5));
    p.setPen(QPen(kAccent, 1.6));
    p.drawLine(QPointF(3.8, 6.25), QPointF(8.7, 6.25));
    if (step == ViewStep::ZoomIn) p.drawLine(QPointF(6.25, 3.8), QPointF(6.25, 8.7));
    return QIcon(pixmap);
}

QPixmap SplashPicture() {
    QPixmap pixmap(QSize(420, 240));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 240);
    sky.setColorAt(0, QColor(120, 180, 235));
    sky.setColorAt(1, QColor(225, 240, 250));
    p.fillRect(pixmap.rect(), sky);
    p.fillRect(QRect(0, 190, 420, 50), QColor(110, 170, 90));
    drawHouse(p, QRectF(24, 40, 150, 150));
    p.setPen(kInk);
    QFont title = p.font();
    title.setPointSize(30);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(190, 60, 220, 60), Qt::AlignLeft | Qt::AlignVCenter, "Tambrix");
    QFont line = p.font();
    line.setPointSize(11);
    line.setBold(false);
    p.setFont(line);
    p.drawText(QRect(192, 120, 220, 50), Qt::AlignLeft | Qt::TextWordWrap, "A browser for the game's data files");
    p.setPen(QPen(kInk, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(pixmap.rect().adjusted(1, 1, -2, -2));
    return pixmap;
}

QPixmap AboutPicture() {
    QPixmap pixmap = blank(QSize(64, 64));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    drawHouse(p, QRectF(2, 2, 60, 60));
    return pixmap;
}

QIcon ApplicationIcon() { return QIcon(AboutPicture()); }

void DrawApplicationEmblem(QPainter& p, const QRectF& box) { drawHouse(p, box); }

QImage ApplicationPicture(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal margin = size / 32.0;  // as the About picture's 2 of 64
    drawHouse(p, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));
    return image;
}

}  // namespace tambrix::app::art
