// The review page of the copy disk wizard: the target disk as the chosen copy method lays it out. The
// layout comes from a preview of the pending layout; the page hands its records to the wizard's fields.
#pragma once

#include <QByteArray>
#include <QWizardPage>
#include <memory>

class IVirtualVolumeManager;
class KVirtualVolumeManagerPreview;

namespace Ui {
class KTargetDiskEditorPage;
}

class KTargetDiskEditorPage : public QWizardPage {
    Q_OBJECT
    Q_PROPERTY(QByteArray partitionArray MEMBER m_partitionArray)
    Q_PROPERTY(int partitionCount MEMBER m_nPartitionCount)
public:
    explicit KTargetDiskEditorPage(IVirtualVolumeManager* layout, QWidget* parent = nullptr);
    ~KTargetDiskEditorPage() override;

    void initializePage() override;
    KVirtualVolumeManagerPreview* Preview() const { return m_preview.get(); }

public slots:
    void onRadioButton1Clicked(bool checked);
    void onRadioButton2Clicked(bool checked);
    void onRadioButton3Clicked(bool checked);

private:
    void chooseMethod(int method);
    void updateFields();

    std::unique_ptr<Ui::KTargetDiskEditorPage> ui;
    IVirtualVolumeManager* m_layout;
    int m_nSourceDisk = -1, m_nTargetDisk = -1;
    std::unique_ptr<KVirtualVolumeManagerPreview> m_preview;
    QByteArray m_partitionArray;
    int m_nPartitionCount = 0;
};
