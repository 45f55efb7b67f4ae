// Drives a resize control with the mouse as a user would: press, move with the left button held,
// release; hovering moves without buttons. Also the signal recorder and pixel reader its tests share.
#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QObject>
#include <utility>
#include <vector>

#include "gui/dialogs/KPartitionResizeCtrl.h"

namespace ResizeCtrlMouse {

inline void Send(QWidget* widget, QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    const QPointF local(x, widget->height() / 2);
    QMouseEvent event(type, local, widget->mapToGlobal(local), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

inline void Press(QWidget* widget, int x, Qt::MouseButton button = Qt::LeftButton)
{
    Send(widget, QEvent::MouseButtonPress, x, button, button);
}

// Moves with the left button held through every x from `from` (exclusive) to `to`, one pixel at a time,
// as the pointer reports a drag.
inline void DragTo(QWidget* widget, int from, int to)
{
    const int step = to >= from ? 1 : -1;
    for (int x = from + step; x != to + step; x += step)
        Send(widget, QEvent::MouseMove, x, Qt::NoButton, Qt::LeftButton);
}

inline void Release(QWidget* widget, int x)
{
    Send(widget, QEvent::MouseButtonRelease, x, Qt::LeftButton, Qt::NoButton);
}

inline void Hover(QWidget* widget, int x)
{
    Send(widget, QEvent::MouseMove, x, Qt::NoButton, Qt::NoButton);
}

// A full drag: press at `from`, move to `to`, release there.
inline void Drag(QWidget* widget, int from, int to)
{
    Press(widget, from);
    DragTo(widget, from, to);
    Release(widget, to);
}

// Every partitionResized the control sends.
struct Reports {
    explicit Reports(KPartitionResizeCtrl* control)
    {
        QObject::connect(control, &KPartitionResizeCtrl::partitionResized, &context,
                         [this](qint64 start, qint64 size) { seen.emplace_back(start, size); });
    }
    std::vector<std::pair<qint64, qint64>> seen;
    QObject context; // the connection ends with the recorder
};

inline QImage Paint(QWidget* widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace ResizeCtrlMouse
