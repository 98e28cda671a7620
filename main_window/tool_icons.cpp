#include "main_window/tool_icons.h"

#include "main_window/drawn_icon_engine.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace tavlo {
namespace {

using Drawing = DrawnIconEngine::Drawing;

// A drawing made on a grid of `units`, rendered at every size and screen density it is shown at.
QIcon drawn(int units, const Drawing& draw)
{
    return QIcon(new DrawnIconEngine(units, draw));
}

const QColor outline(60, 60, 70);

void folder(QPainter& p, const QRectF& r, bool open)
{
    const QColor back(222, 166, 40), front(250, 204, 80);
    p.setPen(QPen(outline, 0.8));
    p.setBrush(back);
    QPainterPath tab;
    tab.moveTo(r.left(), r.top() + 1.5);
    tab.lineTo(r.left() + r.width() * 0.4, r.top() + 1.5);
    tab.lineTo(r.left() + r.width() * 0.5, r.top() + 3);
    tab.lineTo(r.right(), r.top() + 3);
    tab.lineTo(r.right(), r.bottom());
    tab.lineTo(r.left(), r.bottom());
    tab.closeSubpath();
    p.drawPath(tab);
    p.setBrush(front);
    QPainterPath lid;
    if (open) {
        lid.moveTo(r.left() + 2, r.top() + 5.5);
        lid.lineTo(r.right() + 0.5, r.top() + 5.5);
        lid.lineTo(r.right() - 2, r.bottom());
        lid.lineTo(r.left(), r.bottom());
    } else {
        lid.addRect(QRectF(r.left(), r.top() + 4.5, r.width(), r.height() - 4.5));
    }
    lid.closeSubpath();
    p.drawPath(lid);
}

void floppy(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(outline, 0.8));
    p.setBrush(QColor(52, 101, 164));
    QPainterPath body;
    body.moveTo(r.left(), r.top());
    body.lineTo(r.right() - 2, r.top());
    body.lineTo(r.right(), r.top() + 2);
    body.lineTo(r.right(), r.bottom());
    body.lineTo(r.left(), r.bottom());
    body.closeSubpath();
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 234, 240));
    p.drawRect(
        QRectF(r.left() + 2.5, r.top() + r.height() * 0.52, r.width() - 5, r.height() * 0.4));
    p.setBrush(QColor(190, 196, 206));
    p.drawRect(QRectF(r.left() + 3.5, r.top() + 0.6, r.width() - 7.5, r.height() * 0.3));
    p.setBrush(QColor(52, 101, 164));
    p.drawRect(QRectF(r.right() - 6, r.top() + 1.2, 1.6, r.height() * 0.22));
}

void lens(QPainter& p, const QPointF& centre, double radius, double pen)
{
    p.setPen(QPen(QColor(90, 70, 50), pen * 1.8, Qt::SolidLine, Qt::RoundCap));
    const QPointF handle = centre + QPointF(radius * 0.72, radius * 0.72);
    p.drawLine(handle, handle + QPointF(radius * 0.9, radius * 0.9));
    p.setPen(QPen(outline, pen));
    p.setBrush(QColor(200, 228, 250, 230));
    p.drawEllipse(centre, radius, radius);
    p.setPen(QPen(QColor(255, 255, 255, 200), pen * 0.7));
    p.drawArc(
        QRectF(centre.x() - radius * 0.6, centre.y() - radius * 0.6, radius * 1.2, radius * 1.2),
        100 * 16, 70 * 16);
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour)
{
    p.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::max(1e-6, std::hypot((to - from).x(), (to - from).y()));
    const QPointF n(-d.y(), d.x());
    QPolygonF head;
    head << to + d * 1.2 << to - d * 1.6 + n * 2.0 << to - d * 1.6 - n * 2.0;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(head);
}

void page(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(outline, 0.8));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(QColor(150, 160, 175), 0.8));
    for (double y = r.top() + 2; y < r.bottom() - 1; y += 2)
        p.drawLine(QPointF(r.left() + 1.5, y), QPointF(r.right() - 1.5, y));
}

void drawOpen(QPainter& p)
{
    folder(p, QRectF(1, 2.5, 14, 11), true);
}

void drawSave(QPainter& p)
{
    floppy(p, QRectF(1.5, 1.5, 13, 13));
}

void drawSaveToWork(QPainter& p)
{
    folder(p, QRectF(5.5, 7, 10, 8), false);
    floppy(p, QRectF(0.5, 0.5, 9, 9));
    arrow(p, QPointF(8.5, 6), QPointF(11.5, 10), QColor(40, 150, 60));
}

void drawExplore(QPainter& p)
{
    folder(p, QRectF(0.5, 2, 13, 10), false);
    lens(p, QPointF(10, 10), 3.2, 0.9);
}

void drawScan(QPainter& p)
{
    // A flatbed scanner with its lid open and the light bar passing over a page on the glass.
    p.setPen(QPen(outline, 0.8));
    p.setBrush(QColor(110, 116, 128));
    p.drawPolygon(QPolygonF({QPointF(1.5, 8), QPointF(4, 1), QPointF(15, 1), QPointF(14.5, 8)}));
    p.setBrush(QColor(150, 156, 166));
    p.drawRoundedRect(QRectF(0.5, 8, 15, 6.5), 1.2, 1.2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(190, 225, 250));
    p.drawRect(QRectF(1.5, 8.6, 13, 1.6));  // the glass
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3, 8.6, 7, 1.6));  // a page on it
    p.setBrush(QColor(40, 200, 80));
    p.drawRect(QRectF(8.2, 8.2, 1.4, 2.4));  // the light bar
    p.setBrush(QColor(70, 76, 86));
    p.drawRect(QRectF(2, 12, 3, 1));  // buttons
    p.setBrush(QColor(40, 200, 80));
    p.drawEllipse(QPointF(13.3, 12.5), 0.7, 0.7);
}

void drawCopy(QPainter& p)
{
    p.setPen(QPen(outline, 0.8));
    p.setBrush(QColor(170, 120, 70));
    p.drawRoundedRect(QRectF(2, 2, 12, 13.5), 1, 1);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 4, 9, 10));
    p.setBrush(QColor(180, 180, 190));
    p.drawRoundedRect(QRectF(5, 0.8, 6, 3), 0.8, 0.8);
    p.setPen(QPen(QColor(52, 101, 164), 0.9));
    for (double y = 6.5; y < 13; y += 2)
        p.drawLine(QPointF(5, y), QPointF(11, y));
}

void drawTrim(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(180, 210, 240));
    p.drawRect(QRectF(4.5, 4.5, 7, 7));
    p.setPen(QPen(QColor(30, 30, 30), 1.6, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(1.5, 4.5), QPointF(11.5, 4.5), QPointF(11.5, 14.5)}));
    p.drawPolyline(QPolygonF({QPointF(4.5, 1.5), QPointF(4.5, 11.5), QPointF(14.5, 11.5)}));
}

void drawJoinVertical(QPainter& p)
{
    page(p, QRectF(2, 0.5, 12, 5));
    page(p, QRectF(2, 10.5, 12, 5));
    arrow(p, QPointF(5, 5.8), QPointF(5, 8.2), QColor(200, 60, 40));
    arrow(p, QPointF(11, 10.2), QPointF(11, 7.8), QColor(200, 60, 40));
}

void drawJoinHorizontal(QPainter& p)
{
    page(p, QRectF(0.5, 2, 5, 12));
    page(p, QRectF(10.5, 2, 5, 12));
    arrow(p, QPointF(5.8, 5), QPointF(8.2, 5), QColor(200, 60, 40));
    arrow(p, QPointF(10.2, 11), QPointF(7.8, 11), QColor(200, 60, 40));
}

}  // namespace

QIcon ToolIcons::button(int index)
{
    static const Drawing drawings[10] = {
        drawOpen, drawSave, drawSaveToWork, drawExplore,      nullptr,
        drawScan, drawCopy, drawTrim,       drawJoinVertical, drawJoinHorizontal};
    // The desktop theme's icons by their freedesktop names; the joins have none.
    static const char* const themeNames[10] = {
        "document-open", "document-save", "document-save-as", "folder-open", nullptr,
        "scanner",       "edit-copy",     "transform-crop",   nullptr,       nullptr};
    if (index < 0 || index > 9 || !drawings[index])
        return QIcon();
    const QIcon own = drawn(16, drawings[index]);
    return themeNames[index] ? QIcon::fromTheme(QString::fromLatin1(themeNames[index]), own) : own;
}

QIcon ToolIcons::magnifier()
{
    return drawn(32, [](QPainter& p) {
        lens(p, QPointF(13, 13), 9.5, 2.0);
        p.setPen(QPen(outline, 2.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9, 13), QPointF(17, 13));
        p.drawLine(QPointF(13, 9), QPointF(13, 17));
    });
}

QIcon ToolIcons::window()
{
    return drawn(16, [](QPainter& p) { drawScan(p); });
}

}  // namespace tavlo
