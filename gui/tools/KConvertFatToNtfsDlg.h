// Convert FAT to NTFS: runs the program's own converter on the volume's drive letter.
#pragma once

#include <memory>

#include "KConsoleToolDlg.h"

namespace Ui {
class KConvertFatToNtfsDlg;
}

class IVolumeDevice;

class KConvertFatToNtfsDlg : public KConsoleToolDlg {
    Q_OBJECT

public:
    // The volume device stays the caller's. The converter is looked for in `strConverterDirectory`,
    // by default the program's own directory.
    explicit KConvertFatToNtfsDlg(IVolumeDevice* volume, QWidget* parent = nullptr,
                                  const QString& strConverterDirectory = QString());
    ~KConvertFatToNtfsDlg() override;

public slots:
    void on_okButton_clicked();

protected:
    // The converter's question is shown with everything it printed before.
    QString questionText(const QString& strQuestion) const override;

private:
    std::unique_ptr<Ui::KConvertFatToNtfsDlg> ui;
    IVolumeDevice* m_volume;
    QString m_strConverterDirectory;
};
