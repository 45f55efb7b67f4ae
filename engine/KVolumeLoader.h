// The volume loader: reads a disk's table into a partition list and its error list.
#pragma once

#include <memory>

#include "IVolumeLoader.h"
#include "KLayoutCommitter.h"

class KVolumeLoader : public IVolumeLoader {
public:
    // The reader fills the file-system fields; it comes from the file-system layer, which knows the
    // file systems. Without one the loader reads tables only.
    explicit KVolumeLoader(std::unique_ptr<IVolumeInfoReader> reader = nullptr) : m_reader(std::move(reader)) {}
    int Initialise() override;
    // option kLoadWithVolumeInfo also reads every partition's file-system fields.
    int Load(IDisk* disk, PartitionList& list, TableErrorList& errors, int option) override;
    ILayoutCommitter* GetLayoutCommitter() override { return &m_committer; }
    IVolumeInfoReader* GetVolumeInfoReader() override { return m_reader.get(); }

private:
    KLayoutCommitter m_committer;
    std::unique_ptr<IVolumeInfoReader> m_reader;
    bool m_initialised = false;
    std::string m_rootDevice;   // "major:minor" mounted at /
    std::string m_systemDevice; // at /boot/efi, else /boot
};
