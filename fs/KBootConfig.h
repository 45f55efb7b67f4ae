// Boot configuration on this platform. There is no BCD store: that object has nothing to change and
// saves successfully. boot.ini is read and written through the file-system explorer of the boot
// volume; until a volume holds one, the object reports no changes.
#pragma once

#include <string>
#include <vector>

#include "engine/IBootConfig.h"
#include "fs/IFileSystemExplorer.h"

// An operating system named under "[operating systems]" of boot.ini, by its ARC path's numbers.
struct BootIniSystem {
    int RDisk = 0;
    int Partition = 0;
    std::string Name;
};

class KBootIniConfigFile : public IBootIniConfigFile {
public:
    int Save(IVolumeDevice* device) override;
    int HasChanges() override { return m_changed ? 1 : 0; }
    int Attach(IVolumeDevice* device) override;
    int RegisterPartition(const PartitionInfo& info) override;
    // Rewrites partition(N) of every ARC path when the partition it named moved to another position.
    int Renumber(const PartitionList& oldList, const PartitionList& newList) override;

    // The text as loaded (empty when the volume has no boot.ini).
    const std::string& Text() const { return m_text; }
    void SetText(const std::string& text) { m_text = text; m_changed = false; }

    // boot.ini in the root of the volume an opened directory reader shows ("boot.ini" in any case): its
    // bytes up to the first zero byte become the text. 0 when there is none or it cannot be read.
    int Load(IFileSystemExplorer& explorer);
    // Replaces the text (it is saved by the next Save).
    void Edit(const std::string& text);
    // Writes the text over the file Load found, in place: the file keeps the length it had, so a longer
    // text is cut there and a shorter one is followed by zero bytes. 0 when nothing was loaded or the
    // write failed.
    int Save(IFileSystemExplorer& explorer);
    // The systems listed after "[operating systems]", in their order.
    std::vector<BootIniSystem> OperatingSystems() const;
    // Rewrites every "rdisk(R)partition(P)" of the text to name `newPartition` instead. 0 when the new
    // text would differ in length (the file cannot grow or shrink); the text then stays as it was.
    int Repoint(int rdisk, int oldPartition, int newPartition);

private:
    std::string m_text;
    bool m_changed = false;
    std::vector<PartitionInfo> m_registered;
    ExplorerEntry m_file{};
    bool m_loaded = false;
};

class KVistaBcdConfigFile : public IVistaBCDConfigFile {
public:
    int Save(IVolumeDevice*) override { return 1; }
    int HasChanges() override { return 0; }
    int Attach(IVolumeDevice*) override { return 1; }
    int Repoint(uint32_t, int64_t, uint32_t, int64_t) override { return 1; }
};
