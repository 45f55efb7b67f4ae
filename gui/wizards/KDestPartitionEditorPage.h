// The last page of the partition copy wizard: where in the destination area the copy goes, how large
// it is (with resizing, within what the source's file system allows) and whether it becomes a primary
// or a logical partition. Keeps "DestStartingOffset", "DestPartitionSize" and "PrimaryPartition".
#pragma once

#include <QWizardPage>
#include <memory>

#include "core/PartitionInfo.h"

namespace Ui {
class KDestPartitionEditorPage;
}

class IVirtualVolumeManager;
class KPartitionResizeCtrl;

class KDestPartitionEditorPage : public QWizardPage {
    Q_OBJECT
    Q_PROPERTY(qint64 startField MEMBER m_n64StartField)
    Q_PROPERTY(qint64 sizeField MEMBER m_n64SizeField)
    Q_PROPERTY(int primaryField MEMBER m_nPrimaryField)
public:
    explicit KDestPartitionEditorPage(IVirtualVolumeManager* layout, QWidget* parent = nullptr);
    ~KDestPartitionEditorPage() override;

    void initializePage() override;

public slots:
    void onFreeSpaceBeforeChanged(double value);
    void onPartitionSizeValueChanged(double value);
    void onFreeSpaceAfterChanged(double value);
    void onPartitionSizeChanged(qint64 n64StartingOffset, qint64 n64Size);
    void onComboboxCurrentIndexChanged(int nIndex);
    void onResizePartitionClicked(bool bChecked);

private:
    // Sets the control's limits for a copy with or without resizing and shows its start and size.
    void configureControl(bool bResize);
    void setBeforeAfterRanges(qint64 n64Size);
    // The control's start and size into the fields.
    void storeFields();
    KPartitionResizeCtrl* ctrl() const;

    std::unique_ptr<Ui::KDestPartitionEditorPage> ui;
    IVirtualVolumeManager* m_layout;
    PartitionInfo m_source{};
    PartitionInfo m_area{};
    int m_nDestDisk = -1;
    qint64 m_n64Room = 0;
    qint64 m_n64StartField = 0;
    qint64 m_n64SizeField = 0;
    int m_nPrimaryField = 1;
    bool m_busy = false;
};
