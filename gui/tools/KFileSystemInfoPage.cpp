#include "KFileSystemInfoPage.h"

#include "core/FileSystemTypes.h"
#include "gui/common/SizeText.h"
#include "ui_KFileSystemInfoPage.h"

KFileSystemInfoPage::KFileSystemInfoPage(int nTypeId, int nFileSystemType, quint64 u64SerialNumber,
                                         qint64 n64FirstSector, qint64 n64LastSector, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::KFileSystemInfoPage>())
{
    ui->setupUi(this);
    if (nTypeId < 0) {
        ui->typeIdCaption->hide();
        ui->typeIdLabel->hide();
    } else {
        ui->typeIdLabel->setText(QStringLiteral("0x%1").arg(nTypeId, 0, 16));
    }
    ui->fileSystemLabel->setText(FileSystemName(nFileSystemType));
    if (u64SerialNumber != 0)
        ui->serialNumberLabel->setText(QStringLiteral("0x%1").arg(u64SerialNumber, 0, 16));
    ui->firstSectorLabel->setText(QString::number(n64FirstSector));
    ui->lastSectorLabel->setText(QString::number(n64LastSector));
    ui->totalSectorsLabel->setText(SizeText::PropertiesSizeOfSectors(n64LastSector - n64FirstSector + 1));
}

KFileSystemInfoPage::~KFileSystemInfoPage() = default;

QString KFileSystemInfoPage::FileSystemName(int nFileSystemType)
{
    // The names of unallocated and unknown entries are words; the others are not translated.
    [[maybe_unused]] static const char* const kWords[] = {QT_TR_NOOP("(Unallocated)"), QT_TR_NOOP("(Other)")};
    const char* text = FileSystemPropertiesText(nFileSystemType);
    return text[0] == '(' ? tr(text) : QString::fromLatin1(text);
}
