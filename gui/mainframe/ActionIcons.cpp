#include "gui/mainframe/ActionIcons.h"

#include <QAction>
#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>
#include <functional>

namespace {

constexpr int kSize = 32;

using Drawing = std::function<void(QPainter&)>;

QPixmap draw(const Drawing& drawing)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    drawing(p);
    return pixmap;
}

// A small partition bar: the shape most icons start from.
void bar(QPainter& p, const QColor& fill, qreal x = 3, qreal width = 26)
{
    QLinearGradient g(0, 10, 0, 24);
    g.setColorAt(0, fill.lighter(140));
    g.setColorAt(1, fill);
    p.setPen(QPen(QColor(0, 0, 128), 1.2));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(x, 10, width, 13), 2, 2);
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour)
{
    p.setPen(QPen(colour, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QPointF d = to - from;
    const qreal len = std::hypot(d.x(), d.y());
    if (len <= 0)
        return;
    const QPointF u = d / len, n(-u.y(), u.x());
    QPainterPath head;
    head.moveTo(to + u * 3);
    head.lineTo(to - u * 4 + n * 4);
    head.lineTo(to - u * 4 - n * 4);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(head);
}

const QColor kBlue(6, 120, 191);
const QColor kGreen(46, 160, 67);
const QColor kRed(200, 40, 40);
const QColor kAmber(230, 160, 20);

const QHash<QString, Drawing>& drawings()
{
    static const QHash<QString, Drawing> table = {
        {QStringLiteral("actionApply_All_Changes"),
         [](QPainter& p) {
             p.setPen(QPen(kGreen, 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
             p.drawPolyline(QPolygonF({QPointF(6, 17), QPointF(13, 24), QPointF(26, 8)}));
         }},
        {QStringLiteral("actionUndo_Last_Changes"),
         [](QPainter& p) {
             p.setPen(QPen(kBlue, 3.2, Qt::SolidLine, Qt::RoundCap));
             p.setBrush(Qt::NoBrush);
             QPainterPath curve;
             curve.moveTo(10, 12);
             curve.cubicTo(QPointF(22, 8), QPointF(30, 18), QPointF(18, 26));
             p.drawPath(curve);
             QPainterPath head;
             head.moveTo(4, 12);
             head.lineTo(12, 6);
             head.lineTo(12, 18);
             head.closeSubpath();
             p.setPen(Qt::NoPen);
             p.setBrush(kBlue);
             p.drawPath(head);
         }},
        {QStringLiteral("actionDiscard_All_Changes"),
         [](QPainter& p) {
             p.setPen(QPen(kRed, 4.5, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(8, 8), QPointF(24, 24));
             p.drawLine(QPointF(24, 8), QPointF(8, 24));
         }},
        {QStringLiteral("action_Move_Resize"),
         [](QPainter& p) {
             bar(p, kBlue, 8, 16);
             arrow(p, QPointF(7, 6), QPointF(1.5, 6), kAmber);
             arrow(p, QPointF(25, 6), QPointF(30.5, 6), kAmber);
         }},
        {QStringLiteral("actionMerge"),
         [](QPainter& p) {
             bar(p, kBlue, 2, 12);
             bar(p, kGreen, 18, 12);
             arrow(p, QPointF(9, 5), QPointF(15, 5), kAmber);
             arrow(p, QPointF(23, 5), QPointF(17, 5), kAmber);
         }},
        {QStringLiteral("action_Create"),
         [](QPainter& p) {
             bar(p, QColor(140, 140, 140));
             p.setPen(QPen(kGreen, 4, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(16, 2), QPointF(16, 14));
             p.drawLine(QPointF(10, 8), QPointF(22, 8));
         }},
        {QStringLiteral("action_Delete"),
         [](QPainter& p) {
             bar(p, kBlue);
             p.setPen(QPen(kRed, 4, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(10, 5), QPointF(22, 5));
         }},
        {QStringLiteral("action_Format"),
         [](QPainter& p) {
             bar(p, QColor(107, 204, 73));
             p.setPen(QPen(QColor(60, 60, 60), 2.4, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(22, 2), QPointF(12, 14));
             p.setPen(Qt::NoPen);
             p.setBrush(kAmber);
             p.drawEllipse(QPointF(11, 15), 3.5, 3.5);
         }},
        {QStringLiteral("action_Copy"),
         [](QPainter& p) {
             p.setPen(QPen(QColor(0, 0, 128), 1.2));
             p.setBrush(QColor(141, 195, 205));
             p.drawRoundedRect(QRectF(4, 4, 16, 18), 2, 2);
             p.setBrush(QColor(6, 120, 191));
             p.drawRoundedRect(QRectF(12, 10, 16, 18), 2, 2);
         }},
        {QStringLiteral("action_Label"),
         [](QPainter& p) {
             QPainterPath tag;
             tag.moveTo(4, 10);
             tag.lineTo(10, 4);
             tag.lineTo(28, 4);
             tag.lineTo(28, 16);
             tag.lineTo(10, 16);
             tag.closeSubpath();
             p.setPen(QPen(QColor(120, 80, 0), 1.4));
             p.setBrush(kAmber);
             p.drawPath(tag);
             p.setBrush(Qt::white);
             p.drawEllipse(QPointF(10, 10), 2, 2);
             bar(p, kBlue, 3, 26);
         }},
        {QStringLiteral("action_Properties"),
         [](QPainter& p) {
             p.setPen(QPen(QColor(80, 80, 80), 1.2));
             p.setBrush(Qt::white);
             p.drawRoundedRect(QRectF(6, 3, 20, 26), 2, 2);
             p.setPen(QPen(kBlue, 2));
             for (int y : {9, 14, 19, 24})
                 p.drawLine(QPointF(10, y), QPointF(22, y));
         }},
        {QStringLiteral("actionFAQ"),
         [](QPainter& p) {
             p.setPen(Qt::NoPen);
             p.setBrush(kBlue);
             p.drawEllipse(QRectF(3, 3, 26, 26));
             QFont font = p.font();
             font.setBold(true);
             font.setPixelSize(20);
             p.setFont(font);
             p.setPen(Qt::white);
             p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, QStringLiteral("?"));
         }},
        {QStringLiteral("actionContent"),
         [](QPainter& p) {
             p.setPen(QPen(QColor(0, 0, 128), 1.2));
             p.setBrush(QColor(104, 141, 202));
             p.drawRoundedRect(QRectF(5, 4, 22, 25), 2, 2);
             p.setBrush(Qt::white);
             p.drawRect(QRectF(9, 8, 14, 6));
         }},
    };
    return table;
}

} // namespace

QIcon ActionIcon(const QString& strActionName)
{
    const auto it = drawings().constFind(strActionName);
    return it == drawings().constEnd() ? QIcon() : QIcon(draw(*it));
}

void SetActionIcons(const QList<QAction*>& actions)
{
    for (QAction* action : actions) {
        const QIcon icon = ActionIcon(action->objectName());
        if (!icon.isNull())
            action->setIcon(icon);
    }
}
