// The volume loader: reads a disk's table into a partition list and its error list.
#pragma once

#include "IVolumeLoader.h"
#include "KLayoutCommitter.h"
#include "KVolumeInfoReader.h"

class KVolumeLoader : public IVolumeLoader {
public:
    int Initialise() override;
    // option kLoadWithVolumeInfo also reads every partition's file-system fields.
    int Load(IDisk* disk, PartitionList& list, TableErrorList& errors, int option) override;
    ILayoutCommitter* GetLayoutCommitter() override { return &m_committer; }
    IVolumeInfoReader* GetVolumeInfoReader() override { return &m_reader; }

private:
    KLayoutCommitter m_committer;
    KVolumeInfoReader m_reader;
    bool m_initialised = false;
    std::string m_rootDevice;   // "major:minor" mounted at /
    std::string m_systemDevice; // at /boot/efi, else /boot
};
