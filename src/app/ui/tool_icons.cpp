#include "app/ui/tool_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kvx::app {

namespace {

const QColor kInk(0x20, 0x20, 0x40);
const QColor kWave(0x80, 0x00, 0x80);   // the diagram's input colour
const QColor kOut(0x00, 0x00, 0x80);
const QColor kGreen(0x00, 0x80, 0x00);
const QColor kGrey(0xA0, 0xA0, 0xA4);
const QColor kPaper(0xFF, 0xFF, 0xF0);

// All pictures are drawn on a 24 x 24 grid and scaled.
void wave(QPainter& p, const QColor& c, std::initializer_list<int> levels, int x0 = 2, int step = 4, int hi = 6, int lo = 17) {
    QPen pen(c, 2);
    p.setPen(pen);
    int x = x0;
    int prev = -1;
    for (int v : levels) {
        const int y = v == 1 ? hi : v == 0 ? lo : (hi + lo) / 2;
        if (prev >= 0 && prev != y) p.drawLine(x, prev, x, y);
        p.drawLine(x, y, x + step, y);
        prev = y;
        x += step;
    }
}

void sheet(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    QPainterPath path;
    path.moveTo(5, 2);
    path.lineTo(15, 2);
    path.lineTo(20, 7);
    path.lineTo(20, 22);
    path.lineTo(5, 22);
    path.closeSubpath();
    p.drawPath(path);
    p.drawLine(15, 2, 15, 7);
    p.drawLine(15, 7, 20, 7);
}

void magnifier(QPainter& p, const QString& sign) {
    p.setPen(QPen(kInk, 2));
    p.setBrush(kPaper);
    p.drawEllipse(QRectF(2.5, 2.5, 14, 14));
    p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(15, 15, 21, 21);
    p.setPen(QPen(kInk, 2));
    if (sign == "+" || sign == "-") p.drawLine(6, 9, 13, 9);
    if (sign == "+") p.drawLine(9, 6, 9, 13);
    if (sign == "=") {
        QFont f = p.font();
        f.setPixelSize(7);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(2.5, 2.5, 14, 14), Qt::AlignCenter, QStringLiteral("1:1"));
    }
}

/// A curved arrow; mirrored for redo.
void turnArrow(QPainter& p, bool mirrored) {
    p.save();
    if (mirrored) {
        p.translate(24, 0);
        p.scale(-1, 1);
    }
    p.setPen(QPen(kOut, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(6, 10);
    path.cubicTo(12, 4, 22, 7, 20, 15);
    path.cubicTo(19, 19, 15, 20, 12, 20);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(kOut);
    p.drawPolygon(QPolygonF({QPointF(2, 6), QPointF(10, 5), QPointF(5, 13)}));
    p.restore();
}

/// A small sheet with three lines of levels.
void smallSheet(QPainter& p, double x, double y) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(x, y, 11, 13));
    p.setPen(QPen(kWave, 1));
    for (int i = 0; i < 3; ++i) p.drawLine(QLineF(x + 2, y + 3.5 + 3 * i, x + 9, y + 3.5 + 3 * i));
}

void text(QPainter& p, const QRectF& r, const QString& t, int px, const QColor& c, bool italic = false) {
    QFont f = p.font();
    f.setPixelSize(px);
    f.setBold(true);
    f.setItalic(italic);
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, t);
}

void draw(QPainter& p, ToolIcon kind) {
    switch (kind) {
    case ToolIcon::NewFile:
        sheet(p);
        p.setPen(QPen(kGreen, 2));
        p.drawLine(8, 15, 17, 15);
        p.drawLine(12, 11, 12, 19);
        break;
    case ToolIcon::Open:
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(0xE8, 0xC0, 0x50));
        p.drawRect(2, 6, 16, 14);
        p.drawRect(2, 4, 7, 2);
        p.setBrush(QColor(0xF8, 0xDC, 0x78));
        p.drawPolygon(QPolygon({QPoint(5, 10), QPoint(22, 10), QPoint(18, 20), QPoint(2, 20)}));
        break;
    case ToolIcon::Save:
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(0x30, 0x50, 0xA0));
        p.drawRect(3, 3, 18, 18);
        p.setBrush(Qt::white);
        p.drawRect(6, 3, 12, 7);
        p.setBrush(QColor(0xC0, 0xC0, 0xC8));
        p.drawRect(7, 14, 10, 7);
        break;
    case ToolIcon::ApplyTactCount:
        p.setPen(QPen(kGreen, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygon({QPoint(4, 12), QPoint(10, 18), QPoint(20, 5)}));
        break;
    case ToolIcon::InsertTact:
        wave(p, kWave, {0, 1, 1, 0, 1}, 2, 4);
        p.fillRect(10, 2, 4, 20, QColor(0, 0x80, 0, 70));
        p.setPen(QPen(kGreen, 2));
        p.drawLine(17, 20, 23, 20);
        p.drawLine(20, 17, 20, 23);
        break;
    case ToolIcon::DeleteTact:
        wave(p, kWave, {0, 1, 1, 0, 1}, 2, 4);
        p.fillRect(10, 2, 4, 20, QColor(0xC0, 0, 0, 70));
        p.setPen(QPen(Qt::red, 2));
        p.drawLine(17, 20, 23, 20);
        break;
    case ToolIcon::Generator:
        wave(p, kGreen, {0, 1, 0, 1, 0, 1}, 0, 4, 5, 18);
        break;
    case ToolIcon::RowLow:
        wave(p, kWave, {1, 0, 0, 0, 0}, 2, 4);
        text(p, QRectF(12, 0, 12, 12), QStringLiteral("0"), 10, kInk);
        break;
    case ToolIcon::RowHigh:
        wave(p, kWave, {0, 1, 1, 1, 1}, 2, 4);
        text(p, QRectF(12, 12, 12, 12), QStringLiteral("1"), 10, kInk);
        break;
    case ToolIcon::RowInactive:
        wave(p, kWave, {0, 2, 2, 2, 2}, 2, 4);
        p.setPen(QPen(kGrey, 2));
        p.drawLine(6, 11, 22, 11);
        text(p, QRectF(12, 0, 12, 10), QStringLiteral("x"), 10, kInk);
        break;
    case ToolIcon::ZoomOut: magnifier(p, QStringLiteral("-")); break;
    case ToolIcon::ZoomIn: magnifier(p, QStringLiteral("+")); break;
    case ToolIcon::ZoomStandard: magnifier(p, QStringLiteral("=")); break;
    case ToolIcon::PackageParameters:
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(0x30, 0x30, 0x30));
        p.drawRect(6, 3, 12, 18);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(12, 5), 1.5, 1.5);
        for (int y = 5; y <= 19; y += 4) {
            p.fillRect(2, y, 4, 2, QColor(0xA0, 0xA0, 0xA0));
            p.fillRect(18, y, 4, 2, QColor(0xA0, 0xA0, 0xA0));
        }
        break;
    case ToolIcon::TestParameters:
        p.setPen(QPen(kInk, 1));
        p.setBrush(kPaper);
        p.drawRect(2, 3, 20, 18);
        wave(p, kOut, {0, 1, 0, 1}, 4, 4, 7, 17);
        text(p, QRectF(13, 3, 9, 10), QStringLiteral("V"), 9, Qt::red);
        break;
    case ToolIcon::Algorithm: {
        p.setPen(QPen(kOut, 2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4, 4, 16, 16), 60 * 16, 300 * 16);
        p.setBrush(kOut);
        p.drawPolygon(QPolygon({QPoint(15, 1), QPoint(20, 6), QPoint(14, 8)}));
        text(p, QRectF(4, 4, 16, 16), QStringLiteral("A"), 9, kInk);
        break;
    }
    case ToolIcon::Function:
        text(p, QRectF(0, 0, 24, 24), QStringLiteral("f(x)"), 11, kGreen, true);
        break;
    case ToolIcon::DataWords:
        p.setPen(QPen(kOut, 2));
        p.drawLine(3, 8, 21, 8);
        p.drawLine(3, 16, 21, 16);
        p.drawLine(3, 8, 6, 12);
        p.drawLine(3, 16, 6, 12);
        p.drawLine(21, 8, 18, 12);
        p.drawLine(21, 16, 18, 12);
        text(p, QRectF(6, 7, 12, 10), QStringLiteral("W"), 8, kInk);
        break;
    case ToolIcon::Undo: turnArrow(p, false); break;
    case ToolIcon::Redo: turnArrow(p, true); break;
    case ToolIcon::Cut:
        p.setPen(QPen(kInk, 2));
        p.drawLine(8, 2, 15, 15);
        p.drawLine(16, 2, 9, 15);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(4, 14, 6, 6));
        p.drawEllipse(QRectF(14, 14, 6, 6));
        break;
    case ToolIcon::Copy:
        smallSheet(p, 3, 3);
        smallSheet(p, 10, 8);
        break;
    case ToolIcon::Paste:
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(0xC8, 0x96, 0x50));
        p.drawRect(3, 4, 14, 17);
        p.setBrush(QColor(0xC0, 0xC0, 0xC8));
        p.drawRect(7, 2, 6, 4);
        smallSheet(p, 10, 9);
        break;
    case ToolIcon::Table:
        p.setPen(QPen(kInk, 1));
        p.setBrush(Qt::white);
        p.drawRect(2, 3, 20, 18);
        p.fillRect(3, 4, 19, 4, QColor(0xC8, 0xD8, 0xF0));
        for (int y = 8; y < 21; y += 4) p.drawLine(2, y, 22, y);
        p.drawLine(9, 3, 9, 21);
        p.drawLine(15, 3, 15, 21);
        break;
    }
}

}  // namespace

QIcon toolIcon(ToolIcon kind) {
    QIcon icon;
    for (int size : {24, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 24.0, size / 24.0);
        draw(p, kind);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

}  // namespace kvx::app
