#include "KConvertFatToNtfsDlg.h"

#include <QCoreApplication>
#include <QFile>

#include "engine/IVolumeDevice.h"
#include "platform/KVolumeNode.h"
#include "ui_KConvertFatToNtfsDlg.h"

KConvertFatToNtfsDlg::KConvertFatToNtfsDlg(IVolumeDevice* volume, QWidget* parent, const QString& strConverterDirectory)
    : KConsoleToolDlg(parent), ui(std::make_unique<Ui::KConvertFatToNtfsDlg>()), m_volume(volume),
      m_strConverterDirectory(strConverterDirectory.isEmpty() ? QCoreApplication::applicationDirPath()
                                                              : strConverterDirectory)
{
    ui->setupUi(this);
    setConsoleWidgets(ui->listWidget, ui->okButton, ui->cancelButton, {});
    PartitionInfo info{};
    if (m_volume && m_volume->GetPartitionInfo(&info))
        ui->currentFileSystemlabel->setText(info.FileSystemType == 11 ? QStringLiteral("FAT32")
                                            : info.FileSystemType == 6 ? QStringLiteral("FAT16")
                                                                       : QStringLiteral("FAT12"));
}

KConvertFatToNtfsDlg::~KConvertFatToNtfsDlg() = default;

void KConvertFatToNtfsDlg::on_okButton_clicked()
{
    if (IsRunning() || !m_volume)
        return;
    PartitionInfo info{};
    if (!m_volume->GetPartitionInfo(&info) || !info.DriveLetter)
        return;
    // Without the converter nothing runs.
    const auto command = KConsolePrograms::ConverterCommand(QFile::encodeName(m_strConverterDirectory).toStdString(),
                                                            info.DriveLetter);
    if (!command)
        return;
    runProgram(*command, true, nullptr);
}

QString KConvertFatToNtfsDlg::questionText(const QString&) const
{
    QStringList lines;
    for (int i = 0; i < ui->listWidget->count(); ++i)
        lines << ui->listWidget->item(i)->text().toHtmlEscaped();
    return lines.join(QLatin1String("<BR>"));
}
