// Every disk of the pending layout as one bar, stacked in a scrollable column of at most half the
// screen's height. A press in any bar clears the others' selection and is reported as the map's own.
#pragma once

#include <QList>
#include <QPoint>
#include <QScrollArea>

class IVirtualVolumeManager;
class KDiskMapItem;

class KDiskMap : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int kRowStep = 55;

    explicit KDiskMap(QWidget* parent = nullptr);

    // Rebuilds the column from the layout: one new bar per disk, selections lost. Null empties it.
    void SetPendingLayout(IVirtualVolumeManager* layout);
    // Selects the item index in the given disk's bar and nothing in the others; returns the bar count.
    int SetSelection(int nDiskIndex, int nItemIndex);
    // Repaints every bar (the layout changed but not its number of disks).
    void RepaintAll();

    int GetItemCount() const { return int(m_items.size()); }
    KDiskMapItem* GetItem(int nDiskIndex) const;

signals:
    void diskMapItemSelected(int nDiskIndex, int nSelectedItemIndex, bool bRightClick, QPoint pt);

public slots:
    void onDiskMapItemSelected(int nDiskIndex, int nSelectedItemIndex, bool bRightClick, QPoint pt);

private:
    QList<KDiskMapItem*> m_items;
    QWidget* m_container = nullptr;
};
