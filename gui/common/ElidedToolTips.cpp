#include "gui/common/ElidedToolTips.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

namespace {
// Room a cell takes besides its text: the style's margins and the list's indent or colour square.
constexpr int kCellPadding = 28;
} // namespace

ElidedToolTips::ElidedToolTips(QAbstractItemView* view) : QObject(view), m_view(view) {}

void ElidedToolTips::Install(QAbstractItemView* view)
{
    view->viewport()->installEventFilter(new ElidedToolTips(view));
}

bool ElidedToolTips::Elided(const QAbstractItemView& view, const QString& text, int width)
{
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, view.fontMetrics().horizontalAdvance(line));
    return widest + kCellPadding > width;
}

bool ElidedToolTips::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ToolTip || watched != m_view->viewport())
        return false;
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = m_view->indexAt(help->pos());
    const QString text = index.isValid() ? index.data(Qt::DisplayRole).toString() : QString();
    const QRect cell = m_view->visualRect(index);
    if (!text.isEmpty() && Elided(*m_view, text, cell.width()))
        QToolTip::showText(help->globalPos(), text, m_view->viewport(), cell);
    else
        QToolTip::hideText();
    return true;
}
