// A device node for a volume that outside programs (the file-system checkers) can open: the partition's
// own node on a block device, else a loop device over the volume's byte range of the image file or
// disk. The loop device lives as long as this object; should the process end first, the kernel drops
// it when the last opener closes it.
#pragma once

#include <string>

class IFileBacked;

class KVolumeNode {
public:
    KVolumeNode() = default;
    ~KVolumeNode() { Release(); }
    KVolumeNode(const KVolumeNode&) = delete;
    KVolumeNode& operator=(const KVolumeNode&) = delete;

    // Finds or makes the node; a loop device is read-only when `readOnly`. False, with the reason in
    // `error`, when there is none to be had (a loop device needs root).
    bool Attach(const IFileBacked& volume, bool readOnly, std::string* error);
    // Detaches a loop device this object made; nothing for a partition's own node.
    void Release();

    const std::string& Path() const { return m_path; }
    bool IsLoop() const { return m_loopFd >= 0; }

private:
    std::string m_path;
    int m_loopFd = -1;
};
