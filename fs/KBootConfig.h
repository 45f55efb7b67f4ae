// Boot configuration on this platform. There is no BCD store: that object has nothing to change and
// saves successfully. boot.ini is read and written through the file-system explorer of the boot
// volume; until a volume holds one, the object reports no changes.
#pragma once

#include <string>
#include <vector>

#include "engine/IBootConfig.h"

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

private:
    std::string m_text;
    bool m_changed = false;
    std::vector<PartitionInfo> m_registered;
};

class KVistaBcdConfigFile : public IVistaBCDConfigFile {
public:
    int Save(IVolumeDevice*) override { return 1; }
    int HasChanges() override { return 0; }
    int Attach(IVolumeDevice*) override { return 1; }
    int Repoint(uint32_t, int64_t, uint32_t, int64_t) override { return 1; }
};
