// The "Partition Info" tab of the properties dialog: type ID, file system, serial number and extent.
#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class KFileSystemInfoPage;
}

class KFileSystemInfoPage : public QWidget {
    Q_OBJECT

public:
    // `nTypeId` below 0 hides the type row (GPT entries have no type byte); a serial of 0 leaves its
    // row empty.
    KFileSystemInfoPage(int nTypeId, int nFileSystemType, quint64 u64SerialNumber, qint64 n64FirstSector,
                        qint64 n64LastSector, QWidget* parent = nullptr);
    ~KFileSystemInfoPage() override;

    // "FAT32", "(Unallocated)", "(Other)", ...
    static QString FileSystemName(int nFileSystemType);

private:
    std::unique_ptr<Ui::KFileSystemInfoPage> ui;
};
