#include "KPaintEventFilter.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

#include "KSurfaceScanDlg.h"

KPaintEventFilter::KPaintEventFilter(KSurfaceScanDlg* dialog) : QObject(dialog), m_dialog(dialog) {}

bool KPaintEventFilter::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;
    if (event->type() == QEvent::Paint) {
        QPainter painter(widget);
        painter.drawPixmap(0, 0, m_dialog->GridImage());
        return true;
    }
    if (event->type() == QEvent::Resize) {
        m_dialog->RedrawGrid();
        return true;
    }
    return false;
}
