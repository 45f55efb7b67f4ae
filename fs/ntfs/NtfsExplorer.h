// The directory reader for NTFS volumes: folders from their $I30 indexes, files from their unnamed data.
//
// A DirectoryId is the MFT record number of the item (the root is record 5, asked for as kExplorerRoot).
// Records past INT32_MAX cannot be named by a DirectoryId, so entries that point there are left out.
//
// What a listing shows: every name of the folder's index in index order, except
//  - short (DOS) names: a file is listed once under its long name; hard links show each of their names;
//  - "." and anything in records 0-15 (the volume's own files: $MFT ... $Extend);
//  - in the root, '$' names in records below 27 (the reserved records and $Extend's usual files);
//  - entries whose record is out of range, free, an extension record or of another sequence number.
// Names are UTF-8 cut to 255 bytes at a character boundary. Sizes come from each file's own record (the
// index keeps copies that can be stale); attributes and times come from the index entry.
// A damaged INDX block is skipped, so a damaged folder lists what can still be read.
#pragma once

#include <memory>

#include "fs/IFileSystemExplorer.h"
#include "fs/ntfs/NtfsMft.h"
#include "fs/ntfs/NtfsStructures.h"

class KVolumeDevice;

class NtfsExplorer : public IFileSystemExplorer {
public:
    NtfsExplorer();
    ~NtfsExplorer() override;
    int Open(IDisk* disk, int64_t startSector) override;
    int List(int32_t directoryId, std::vector<ExplorerEntry>& entries) override;
    int ReadFile(const ExplorerEntry& file, std::vector<uint8_t>& data) override;
    int WriteFileInPlace(const ExplorerEntry& file, const std::vector<uint8_t>& data) override;
    void Release() override;

private:
    // One attribute's data over all its extents.
    struct Stream {
        bool resident = false;
        std::vector<uint8_t> value; // resident data
        KNtfsRunList runs;          // non-resident: from VCN 0, run after run
        int64_t dataSize = 0;
        int64_t initializedSize = 0;
        uint16_t flags = 0;
    };
    struct Listing;

    // A base record in use; with withExtensions the attributes of its extension records too.
    bool loadRecord(int64_t number, KNtfsFileRecord& record, bool withExtensions);
    bool findStream(const KNtfsFileRecord& record, uint32_t type, const KNtfsString& name, Stream& stream) const;
    // The size of a file's unnamed data, read from its own record; loads extensions when needed.
    bool fileDataSize(KNtfsFileRecord& record, int64_t& size);
    // Bytes [offset, offset + length) of the data described by runs.
    bool transfer(const KNtfsRunList& runs, int64_t offset, uint8_t* buffer, int64_t length, bool write);
    // Any byte range of the volume; partial sectors are read, patched and written back.
    bool deviceBytes(int64_t offset, uint8_t* buffer, int64_t length, bool write);
    bool readStream(const Stream& stream, int64_t maximum, std::vector<uint8_t>& bytes);

    // Reads one INDX block of a listing into its item list; false when the block is unusable.
    bool loadBlock(Listing& listing, int64_t block, std::vector<uint8_t>& bytes);
    void addEntry(Listing& listing, uint64_t reference, const uint8_t* key, size_t keyLength);

    std::unique_ptr<KVolumeDevice> m_device;
    std::unique_ptr<KNtfsMFT> m_mft;
    NtfsVolume m_volume;
};
