#include "gui/views/KDiskMap.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include "gui/views/KDiskMapItem.h"
#include "model/IVirtualVolumeManager.h"

KDiskMap::KDiskMap(QWidget* parent) : QScrollArea(parent)
{
    setFocusPolicy(Qt::NoFocus);
    // The bars take the map's width; only the column scrolls.
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void KDiskMap::SetPendingLayout(IVirtualVolumeManager* layout)
{
    if (m_container) {
        takeWidget();
        m_container->hide();
        // Later, not now: the rebuild may run inside a handler of one of these bars' own signal.
        m_container->deleteLater();
        m_container = nullptr;
    }
    m_items.clear();
    if (!layout || layout->GetDiskCount() <= 0)
        return;

    const int disks = layout->GetDiskCount();
    m_container = new QWidget;
    m_container->setFocusPolicy(Qt::NoFocus);
    m_container->setFixedHeight(disks * kRowStep);
    auto* box = new QVBoxLayout;
    box->setSpacing(0);
    box->setContentsMargins(0, 0, 0, 0);

    const QScreen* screen = QGuiApplication::primaryScreen();
    int visibleHeight = disks * kRowStep;
    if (screen) {
        const int rows = ((screen->geometry().height() - 100) / 2) / kRowStep;
        if (disks > rows)
            visibleHeight = rows * kRowStep;
    }
    setFixedHeight(visibleHeight + 4);

    for (int d = 0; d < disks; ++d) {
        auto* item = new KDiskMapItem(m_container, layout, d);
        item->show();
        box->addWidget(item);
        m_items.append(item);
        connect(item, &KDiskMapItem::diskMapItemSelected, this, &KDiskMap::onDiskMapItemSelected);
    }
    m_container->setLayout(box);
    m_container->show();
    setWidget(m_container);
    verticalScrollBar()->setPageStep(kRowStep);
    verticalScrollBar()->setSingleStep(kRowStep);
    update();
}

int KDiskMap::SetSelection(int nDiskIndex, int nItemIndex)
{
    for (int d = 0; d < m_items.size(); ++d)
        m_items[d]->SetSelectedIndex(d == nDiskIndex ? nItemIndex : -1);
    return int(m_items.size());
}

void KDiskMap::RepaintAll()
{
    for (KDiskMapItem* item : m_items)
        item->update();
}

KDiskMapItem* KDiskMap::GetItem(int nDiskIndex) const
{
    return nDiskIndex >= 0 && nDiskIndex < m_items.size() ? m_items[nDiskIndex] : nullptr;
}

void KDiskMap::onDiskMapItemSelected(int nDiskIndex, int nSelectedItemIndex, bool bRightClick, QPoint pt)
{
    QPoint mapPoint = pt;
    for (int d = 0; d < m_items.size(); ++d) {
        KDiskMapItem* item = m_items[d];
        if (d != nDiskIndex) {
            item->SetSelectedIndex(-1);
            continue;
        }
        mapPoint = QPoint(pt.x() + item->x(), pt.y() + item->y() - verticalScrollBar()->value());
    }
    emit diskMapItemSelected(nDiskIndex, nSelectedItemIndex, bRightClick, mapPoint);
}
