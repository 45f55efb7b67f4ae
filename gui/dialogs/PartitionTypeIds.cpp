#include "gui/dialogs/PartitionTypeIds.h"

namespace PartitionTypeIds {

namespace {

const char* const kRows[] = {
    "0x07 NTFS",
    "0x0B FAT32",
    "0x0C FAT32 LBA",
    "0x01 FAT12",
    "0x04 FAT16, less than 32 MB.",
    "0x06 FAT16, greater than 32 MB.",
    "0x0E FAT16 LBA",
    "-----------------------------------",
    "0x01 FAT12",
    "0x02 XENIX root",
    "0x03 XENIX usr",
    "0x04 FAT16, less than 32 MB.",
    "0x05 Extended",
    "0x06 FAT16, greater than 32 MB.",
    "0x07 NTFS",
    "0x08 AIX boot partition",
    "0x09 AIX data partition",
    "0x0A OS/2 Boot Manager",
    "0x0B FAT32",
    "0x0C FAT32 LBA",
    "0x0E FAT16 LBA",
    "0x0F Extended LBA",
    "0x10 OPUS",
    "0x11 Hidden FAT12",
    "0x12 Compaq",
    "0x13 BTRON",
    "0x14 Hidden FAT16, less than 32 MB.",
    "0x16 Hidden FAT16, greater than 32 MB.",
    "0x17 Hidden NTFS",
    "0x18 AST SmartSleep",
    "0x1B Hidden FAT32",
    "0x1C Hidden FAT32 LBA",
    "0x1E Hidden FAT16 LBA",
    "0x24 NEC DOS 3.x",
    "0x2A AtheOS File System (AFS)",
    "0x2B SyllableSecure (SylStor)",
    "0x32 NOS",
    "0x35 JFS on OS/2 or eCS",
    "0x38 THEOS ver. 3.2 2GB partition",
    "0x39 Plan 9",
    "0x3A THEOS ver. 4 4GB partition",
    "0x3B THEOS ver. 4 extended partition",
    "0x3C PartitionMagic recovery partition",
    "0x3D Hidden NetWare",
    "0x40 Lynx",
    "0x41 PPC PReP boot",
    "0x42 Dynamic Volume",
    "0x43 Linux native (sharing disk with DRDOS)",
    "0x44 GoBack partition",
    "0x45 Priam",
    "0x4D QNX4.x",
    "0x4E QNX4.x second partition",
    "0x4F QNX4.x third partition",
    "0x50 OnTrack Disk Manager",
    "0x51 Novell",
    "0x52 CP/M",
    "0x53 OnTrack DM6 Aux3",
    "0x54 OnTrack DM6 Dynamic Drive Overlay",
    "0x55 EZ-Drive",
    "0x56 Golden Bow VFeature Partitioned Volume",
    "0x5C Priam EDisk",
    "0x61 SpeedStor",
    "0x62 Pick",
    "0x63 Unix System V (SCO, ISC Unix, UnixWare)",
    "0x64 Novell Netware 286, 2.xx",
    "0x65 Novell Netware 386, 3.xx or 4.xx",
    "0x66 Novell Netware SMS Partition",
    "0x70 DiskSecure Multi-Boot",
    "0x75 IBM PC/IX",
    "0x80 Old MINIX",
    "0x81 Linux/MINIX",
    "0x82 Linux swap",
    "0x83 Linux Native",
    "0x84 Hibernate",
    "0x85 Extended Linux",
    "0x86 Multidisk FAT16",
    "0x87 Multidisk NTFS",
    "0x88 Linux plaintext partition table",
    "0x8E Linux LVM",
    "0x93 Linux hidden",
    "0x94 Amoeba BBT",
    "0x9F BSD/OS",
    "0xA0 Laptop Hibernate",
    "0xA1 Laptop Hibernate (NEC 6000H)",
    "0xA5 FreeBSD",
    "0xA6 OpenBSD",
    "0xA7 NeXTStep",
    "0xA8 Darwin UFS",
    "0xA9 NetBSD",
    "0xAB Darwin boot",
    "0xB7 NetBSD",
    "0xB8 BSDI BSD/386 swap",
    "0xBB Boot Wizard hidden",
    "0xBE Solaris 8 boot partition",
    "0xBF Solaris 10",
    "0xC0 CTOS",
    "0xC1 DR DOS FAT12",
    "0xC4 DR DOS FAT16, less than 32 MB.",
    "0xC6 DR DOS, greater than 32 MB.",
    "0xC7 Syrinx boot",
    "0xDB Digital Research CP/M",
    "0xDE Dell OEM",
    "0xDF BootIt EMBRM",
    "0xEB BeOS BFS",
    "0xEE EFI GPT",
    "0xEF EFI System partition",
    "0xF0 Linux/PA-RISC boot loader",
    "0xFD Linux raid auto",
    "0xFE IBM PS/2 IML",
    "0xFF XENIX Bad Block Table",
};

} // namespace

const QStringList& Rows()
{
    static const QStringList rows = [] {
        QStringList list;
        for (const char* row : kRows)
            list << QString::fromLatin1(row);
        return list;
    }();
    return rows;
}

int RowTypeId(const QString& strRow)
{
    if (strRow.size() < 4 || !strRow.startsWith(QLatin1String("0x")))
        return -1;
    bool ok = false;
    const int id = strRow.mid(2, 2).toInt(&ok, 16);
    return ok ? id : -1;
}

int RowOf(int nTypeId)
{
    const QStringList& rows = Rows();
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (RowTypeId(rows[i]) == nTypeId)
            return int(i);
    return -1;
}

QString Description(int nTypeId)
{
    const int row = RowOf(nTypeId);
    if (row >= 0)
        return Rows()[row];
    return QStringLiteral("0x%1").arg(nTypeId, 0, 16);
}

} // namespace PartitionTypeIds
