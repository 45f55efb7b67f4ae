// File records and the master file table of an existing NTFS volume: records are read through the
// MFT's own run list with a window cache, parsed and checked, rebuilt and written back, spilling
// into extension records through an attribute list when they outgrow one record.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "fs/KBitmap.h"
#include "fs/ntfs/NtfsStructures.h"

class KNtfsMFT;

class KNtfsFileRecord {
public:
    virtual ~KNtfsFileRecord() = default;

    // Checks the header, undoes the fixups and parses the attributes; false for a damaged record.
    bool Load(const uint8_t* bytes, size_t length);
    // The first 48 bytes of the record.
    const uint8_t* GetHeader() const { return m_header; }
    void SetHeader(const uint8_t* header);
    // Header, attributes rounded up to 8, end marker, fixups applied: exactly recordBytes bytes.
    bool Serialize(std::vector<uint8_t>& bytes, size_t recordBytes) const;

    // The occurrence-th attribute of the type with that name (any name when anyName); -1 when absent.
    int FindAttribute(uint32_t type, int occurrence, const KNtfsString& name, bool anyName) const;
    int FindAttribute(uint32_t type, int occurrence = 0) const { return FindAttribute(type, occurrence, {}, false); }
    bool HasAttributeList() const { return FindAttribute(0x20, 0, {}, true) >= 0; }
    size_t GetAttributeCount() const { return m_attributes.GetCount(); }
    const KNtfsAttribute& GetAttribute(size_t i) const { return m_attributes[i]; }
    KNtfsAttribute& GetAttribute(size_t i) { return m_attributes[i]; }
    // Adds with a fresh attribute id.
    void AddAttribute(const KNtfsAttribute& attribute);
    void RemoveAttribute(size_t i) { m_attributes.Remove(i); }
    // Puts the attributes in the order a record keeps them (by type, then name).
    void SortAttributes();
    void ReplaceAttribute(size_t i, const KNtfsAttribute& attribute) { m_attributes[i] = attribute; }
    void CopyFrom(const KNtfsFileRecord& other) { *this = other; }

    uint16_t GetFlags() const;
    uint16_t GetSequence() const;
    uint32_t GetRecordNumber() const;
    uint64_t GetBaseReference() const;
    bool IsInUse() const { return GetFlags() & 1; }
    bool IsDirectory() const { return GetFlags() & 2; }

    KNtfsAttributeList& GetAttributeList() { return m_list; }
    std::vector<int64_t>& ExtensionRecords() { return m_extensions; }
    // Reads the records named by the attribute list and gathers their attributes after this
    // record's own (sorted by type). False when the list or a listed record cannot be read.
    bool LoadExtensions(KNtfsMFT& mft);

    // Writes the record back as record `number`: former extension records are released, attributes
    // sorted, and when they do not fit one record the rest move into new extension records listed
    // in an attribute list. A list too large for the base record goes to clusters taken from the
    // MFT's cluster bitmap. False when the MFT has no free record, a non-resident list is needed
    // without a cluster bitmap or free clusters, or a write fails.
    bool Commit(KNtfsMFT& mft, int64_t number);

private:
    uint8_t m_header[48] = {};
    std::vector<uint8_t> m_headerTail; // update sequence array and padding up to the first attribute
    KNtfsSimpleArray<KNtfsAttribute> m_attributes;
    std::vector<int64_t> m_extensions;
    KNtfsAttributeList m_list;
};

class KNtfsMFT {
public:
    virtual ~KNtfsMFT() = default;

    // Reads record 0, builds the MFT run list (following its attribute list), loads the MFT bitmap,
    // and with withMirror the $MFTMirr run list. clusterBitmap, when given, is updated when clusters
    // are taken.
    bool Open(const NtfsVolume& volume, KBitmap* clusterBitmap, bool withMirror);
    bool IsOpen() const { return m_open; }
    int64_t GetRecordCount() const { return m_recordCount; }
    const NtfsVolume& Volume() const { return m_volume; }
    const KNtfsRunList& RunList() const { return m_runs; }
    const KNtfsRunList& MirrorRunList() const { return m_mirrorRuns; }
    KBitmap& RecordBitmap() { return m_recordBitmap; }

    bool ReadRecord(int64_t number, KNtfsFileRecord& record);
    // The raw record bytes as on disk (fixups applied).
    bool ReadRawRecord(int64_t number, std::vector<uint8_t>& bytes);
    bool WriteRecord(int64_t number, const KNtfsFileRecord& record);

    // A free record (from 24 on, the first 24 being reserved) marked in use in the MFT bitmap;
    // -1 when the MFT is full.
    int64_t AllocateRecord();
    // Marks the record free in the bitmap and clears its in-use flag.
    bool FreeRecord(int64_t number);
    // Sets one record's bit in the MFT bitmap and writes the bitmap back (records below 24 included).
    bool MarkRecord(int64_t number, bool inUse);

    // Bytes [offset, offset + length) of the MFT's data through its run list; whole sectors.
    bool TransferBytes(int64_t offset, void* buffer, int64_t length, bool write);

    // The caller's cluster bitmap, when one was given to Open.
    KBitmap* ClusterBitmap() { return m_clusterBitmap; }
    // `count` contiguous free clusters taken from the cluster bitmap: the first LCN, or -1 when there
    // is no bitmap or no such run.
    int64_t AllocateClusters(int64_t count);
    // Gives a run list's clusters back to the cluster bitmap (sparse runs are skipped).
    void FreeClusters(const KNtfsRunList& runs);

    // Clears the read cache (after writing records by other means).
    void Invalidate() { m_cacheCount = 0; }

    // An MFT being rebuilt, whose records are not yet where `runs` says: record writes are kept in
    // memory until FlushStaged, and a record not written yet is read from `readThrough` (the MFT it is
    // rebuilt from) while its number exists there. The record bitmap is only kept in memory: its owner
    // writes it. Nothing is read from or written to the device until FlushStaged.
    bool OpenStaged(const NtfsVolume& volume, const KNtfsRunList& runs, int64_t recordCount,
                    const KBitmap& recordBitmap, KBitmap* clusterBitmap, KNtfsMFT* readThrough);
    // Writes the staged records in record order (runs of consecutive records in one call each) and
    // forgets them; with discard they are dropped instead.
    bool FlushStaged(bool discard = false);
    int64_t StagedBytes() const { return int64_t(m_staged.size()) * m_volume.FileRecordBytes(); }
    bool IsStaged(int64_t number) const { return m_staged.count(number) != 0; }

private:
    bool writeRecordBitmap();

    NtfsVolume m_volume;
    KNtfsRunList m_runs;
    KNtfsRunList m_mirrorRuns;
    int64_t m_recordCount = 0;
    ISectorDevice* m_device = nullptr;
    int64_t m_cacheFirst = 0, m_cacheCount = 0;
    std::vector<uint8_t> m_cache;
    KBitmap* m_clusterBitmap = nullptr;
    bool m_open = false;
    KBitmap m_recordBitmap;
    KNtfsAttribute m_bitmapAttribute;
    bool m_staging = false;
    KNtfsMFT* m_readThrough = nullptr;
    std::map<int64_t, std::vector<uint8_t>> m_staged;
};
