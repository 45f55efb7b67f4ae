#include "KCheckFileSystemDlg.h"

#include "engine/IFileBacked.h"
#include "engine/IVolumeDevice.h"
#include "platform/KVolumeNode.h"
#include "ui_KCheckFileSystemDlg.h"

KCheckFileSystemDlg::KCheckFileSystemDlg(IVolumeDevice* volume, QWidget* parent)
    : KConsoleToolDlg(parent), ui(std::make_unique<Ui::KCheckFileSystemDlg>()), m_volume(volume)
{
    ui->setupUi(this);
    setConsoleWidgets(ui->listWidget, ui->okButton, ui->cancelButton, {ui->radioButton, ui->radioButton_2});
}

KCheckFileSystemDlg::~KCheckFileSystemDlg() = default;

void KCheckFileSystemDlg::on_okButton_clicked()
{
    if (IsRunning() || !m_volume)
        return;
    PartitionInfo info{};
    const auto* backed = dynamic_cast<const IFileBacked*>(m_volume);
    if (!m_volume->GetPartitionInfo(&info) || !backed)
        return;
    const bool bFix = ui->radioButton_2->isChecked();
    // A check that only looks gets a device that cannot be written.
    auto node = std::make_unique<KVolumeNode>();
    if (!node->Attach(*backed, !bFix, nullptr))
        return;
    const auto command = KConsolePrograms::CheckerCommand(info.FileSystemType, node->Path(), bFix);
    if (!command)
        return;
    // A repair is not broken off halfway.
    runProgram(*command, !bFix, std::move(node));
}
