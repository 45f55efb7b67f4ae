// The recovery wizard's range page: the whole disk, its unallocated areas, or a range of sectors typed
// in or taken from a click on the disk bar.
#pragma once

#include <QPoint>
#include <QWizardPage>
#include <memory>

namespace Ui {
class KChooseScanningRangePage;
}
class IVirtualVolumeManager;

class KChooseScanningRangePage : public QWizardPage {
    Q_OBJECT
    Q_PROPERTY(int rangeType MEMBER m_nRangeType)
    Q_PROPERTY(qint64 startingLba MEMBER m_n64StartingLba)
    Q_PROPERTY(qint64 endingLba MEMBER m_n64EndingLba)
public:
    enum RangeType { FullDisk = 0, UnallocatedSpace = 1, SpecifiedRange = 2 };

    explicit KChooseScanningRangePage(IVirtualVolumeManager* layout, QWidget* parent = nullptr);
    ~KChooseScanningRangePage() override;

    void initializePage() override;
    bool validatePage() override;

public slots:
    void on_radioButton_1_toggled(bool bChecked);
    void on_radioButton_2_toggled(bool bChecked);
    void on_radioButton_3_toggled(bool bChecked);
    void onDiskMapItemSelected(int nDiskIndex, int nSelectedItemIndex, bool bRightClick, QPoint pt);

private:
    void setRangeType(int nType);
    void fillFromEntry(int nIndex);

    std::unique_ptr<Ui::KChooseScanningRangePage> ui;
    IVirtualVolumeManager* m_layout;
    int m_nDiskIndex = 0;
    int m_nRangeType = FullDisk;
    qint64 m_n64StartingLba = 0;
    qint64 m_n64EndingLba = 0;
};
