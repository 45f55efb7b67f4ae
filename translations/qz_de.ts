<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>KDiskMapItem</name>
    <message>
        <location filename="../gui/KDiskMapItem.cpp" line="163"/>
        <source>GPT Disk</source>
        <translation>GPT-Datenträger</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapItem.cpp" line="165"/>
        <source>Dynamic Disk</source>
        <translation>Dynamischer Datenträger</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapItem.cpp" line="167"/>
        <source>Bad Disk</source>
        <translation>Fehlerhafter Datenträger</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapItem.cpp" line="169"/>
        <source>Unallocated</source>
        <translation>Nicht zugeordnet</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapItem.cpp" line="175"/>
        <source>Unformatted</source>
        <translation>Unformatiert</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapItem.cpp" line="178"/>
        <source>FAT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapItem.cpp" line="180"/>
        <source>NTFS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapItem.cpp" line="182"/>
        <source>FAT32</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapItem.cpp" line="184"/>
        <source>Ext2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapItem.cpp" line="186"/>
        <source>Ext3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapItem.cpp" line="188"/>
        <source>Linux Swap</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapItem.cpp" line="190"/>
        <source>Other</source>
        <translation>Andere</translation>
    </message>
    <message>
        <location filename="../gui/SizeText.cpp" line="24"/>
        <source>%1 TB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/SizeText.cpp" line="25"/>
        <source>%1 GB</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>KDiskMapPartitionItemModel</name>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="34"/>
        <source>Partition</source>
        <translation>Partition</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="35"/>
        <source>File System</source>
        <translation>Dateisystem</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="36"/>
        <source>Capacity</source>
        <translation>Kapazität</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="37"/>
        <source>Used</source>
        <translation>Belegt</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="38"/>
        <source>Unused</source>
        <translation>Frei</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="39"/>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="40"/>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="46"/>
        <source>GPT Disk</source>
        <translation>GPT-Datenträger</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="47"/>
        <source>Dynamic Disk</source>
        <translation>Dynamischer Datenträger</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="48"/>
        <source>Bad Disk</source>
        <translation>Fehlerhafter Datenträger</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="49"/>
        <source>Unallocated</source>
        <translation>Nicht zugeordnet</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="50"/>
        <source>FAT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="51"/>
        <source>FAT32</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="52"/>
        <source>NTFS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="53"/>
        <source>Linux Swap</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="54"/>
        <source>Ext2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="55"/>
        <source>Ext3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="56"/>
        <source>Unformatted</source>
        <translation>Unformatiert</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="57"/>
        <source>Other</source>
        <translation>Andere</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="58"/>
        <source>GPT (Recovery Partition)</source>
        <translation>GPT (Wiederherstellungspartition)</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="59"/>
        <source>GPT (Data Partition)</source>
        <translation>GPT (Datenpartition)</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="60"/>
        <source>GPT (Reserved Partition)</source>
        <translation>GPT (Reservierte Partition)</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="61"/>
        <source>GPT (EFI System partition)</source>
        <translation>GPT (EFI-Systempartition)</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="62"/>
        <source>GPT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="159"/>
        <source>Disk %1</source>
        <translation>Datenträger %1</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="222"/>
        <source>Active</source>
        <translation>Aktiv</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="224"/>
        <source>Boot</source>
        <translation>Start</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="226"/>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="228"/>
        <source>Hidden</source>
        <translation>Versteckt</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="230"/>
        <source>ReadOnly</source>
        <translation>Schreibgeschützt</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="231"/>
        <source>None</source>
        <translation>Keines</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="262"/>
        <source>Primary</source>
        <translation>Primär</translation>
    </message>
    <message>
        <location filename="../gui/KDiskMapPartitionItemModel.cpp" line="262"/>
        <source>Logical</source>
        <translation>Logisch</translation>
    </message>
</context>
<context>
    <name>KLegendBar</name>
    <message>
        <location filename="../gui/KLegendBar.cpp" line="15"/>
        <source>FAT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KLegendBar.cpp" line="16"/>
        <source>FAT32</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KLegendBar.cpp" line="17"/>
        <source>NTFS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KLegendBar.cpp" line="18"/>
        <source>Ext2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KLegendBar.cpp" line="19"/>
        <source>Ext3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KLegendBar.cpp" line="20"/>
        <source>Linux Swap</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../gui/KLegendBar.cpp" line="21"/>
        <source>Unformatted</source>
        <translation>Unformatiert</translation>
    </message>
    <message>
        <location filename="../gui/KLegendBar.cpp" line="22"/>
        <source>Unallocated</source>
        <translation>Nicht zugeordnet</translation>
    </message>
    <message>
        <location filename="../gui/KLegendBar.cpp" line="23"/>
        <source>Other</source>
        <translation>Andere</translation>
    </message>
    <message>
        <location filename="../gui/KLegendBar.cpp" line="24"/>
        <source>Used</source>
        <translation>Belegt</translation>
    </message>
    <message>
        <location filename="../gui/KLegendBar.cpp" line="25"/>
        <source>Unused</source>
        <translation>Frei</translation>
    </message>
</context>
</TS>
