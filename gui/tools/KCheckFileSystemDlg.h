// Check File System: runs the platform's checker for the volume's file system on its device node,
// checking only or checking and repairing.
#pragma once

#include <memory>

#include "KConsoleToolDlg.h"

namespace Ui {
class KCheckFileSystemDlg;
}

class IVolumeDevice;

class KCheckFileSystemDlg : public KConsoleToolDlg {
    Q_OBJECT

public:
    // The volume device stays the caller's and must outlive the window.
    explicit KCheckFileSystemDlg(IVolumeDevice* volume, QWidget* parent = nullptr);
    ~KCheckFileSystemDlg() override;

public slots:
    void on_okButton_clicked();

private:
    std::unique_ptr<Ui::KCheckFileSystemDlg> ui;
    IVolumeDevice* m_volume;
};
