// Read-only facts about a disk (geometry and size) or an entry of the pending layout (usage chart,
// identity and extent, and the make-up of its file system when the boot sector can be read).
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class KPropertiesDlg;
}

class IDisk;
class IVirtualVolumeManager;
struct VolumeParameters;

class KPropertiesDlg : public QDialog {
    Q_OBJECT

public:
    // `nListIndex` -1 shows the disk itself. The layout is read, never changed, and stays the caller's.
    KPropertiesDlg(IVirtualVolumeManager* manager, int nDiskIndex, int nListIndex, QWidget* parent = nullptr);
    ~KPropertiesDlg() override;

    // The "File System Info" text of a volume of this code; empty for codes without one.
    static QString FileSystemInfoText(int nFileSystemType, const VolumeParameters& parameters);

public slots:
    void on_okButton_clicked();

private:
    void addDiskPage(IDisk* disk);
    void addPartitionPages(IVirtualVolumeManager* manager, IDisk* disk, int nDiskIndex, int nListIndex);

    std::unique_ptr<Ui::KPropertiesDlg> ui;
};
