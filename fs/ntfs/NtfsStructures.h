// NTFS metadata pieces kept as little-endian byte images: data runs and run lists (the mapping-pairs
// encoding), UTF-16 names, single attributes and attribute lists. Every parser here reads bytes
// from disk: a damaged image makes an operation fail, never read outside the image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ISectorDevice;

// An opened NTFS volume: where it lies and its geometry from the boot sector.
struct NtfsVolume {
    ISectorDevice* Device = nullptr;
    int64_t VolumeStart = 0;
    int BytesPerSector = 512;
    int SectorsPerCluster = 0;
    int FileRecordSectors = 0;
    int IndexRecordSectors = 0;
    int64_t MftLcn = 0;
    int64_t MftMirrorLcn = 0;
    int64_t TotalSectors = 0;
    uint64_t SerialNumber = 0;

    int64_t ClusterBytes() const { return int64_t(SectorsPerCluster) * BytesPerSector; }
    int64_t FileRecordBytes() const { return int64_t(FileRecordSectors) * BytesPerSector; }
    int64_t IndexRecordBytes() const { return int64_t(IndexRecordSectors) * BytesPerSector; }
    int64_t TotalClusters() const { return SectorsPerCluster ? TotalSectors / SectorsPerCluster : 0; }
};

// Reads sector 0 of the volume; true only for an NTFS boot sector this code handles: "NTFS" at 3,
// 512-byte sectors, 1-128 (a power of two) sectors per cluster, record sizes that are powers of two
// of at least 512 bytes, and an MFT that starts inside the volume. Record sizes above 64 KiB are refused
// too. The MFT mirror LCN is taken as it stands: whoever uses it checks it.
bool OpenVolume(ISectorDevice* device, int64_t volumeStart, NtfsVolume& volume);

template <typename T>
class KNtfsSimpleArray {
public:
    virtual ~KNtfsSimpleArray() = default;

    size_t GetCount() const { return m_items.size(); }
    bool IsEmpty() const { return m_items.empty(); }
    T& operator[](size_t i) { return m_items[i]; }
    const T& operator[](size_t i) const { return m_items[i]; }
    void Add(const T& item) { m_items.push_back(item); }
    void Insert(size_t at, const T& item) { m_items.insert(m_items.begin() + ptrdiff_t(at), item); }
    void Remove(size_t at) { m_items.erase(m_items.begin() + ptrdiff_t(at)); }
    void Clear() { m_items.clear(); }
    typename std::vector<T>::iterator begin() { return m_items.begin(); }
    typename std::vector<T>::iterator end() { return m_items.end(); }
    typename std::vector<T>::const_iterator begin() const { return m_items.begin(); }
    typename std::vector<T>::const_iterator end() const { return m_items.end(); }

protected:
    std::vector<T> m_items;
};

struct KDataRun {
    int64_t Lcn = -1;   // -1: sparse, no clusters on disk
    int64_t Vcn = 0;
    int64_t Length = 0; // clusters

    bool operator==(const KDataRun&) const = default;
};

class KNtfsRunList : public KNtfsSimpleArray<KDataRun> {
public:
    // Clears the list and reads pairs until a header byte of 0 or the end of the bytes. False for
    // damaged pairs: a field wider than 8 bytes, a pair running past the end, a zero length, or an
    // LCN or VCN that leaves the 63-bit range (for an allocated run, the LCN of its end too).
    bool Decode(const uint8_t* bytes, size_t count, int64_t startingVcn);
    // The pairs and a zero terminator, zero-padded to a multiple of 8 bytes (8 zero bytes when empty).
    // Any negative LCN is written as sparse; runs of no clusters are left out.
    std::vector<uint8_t> Encode() const;
    // Merges each run into the previous one when it continues it on disk; neighbouring sparse runs merge too.
    void Coalesce();
    int64_t GetTotalClusters() const;
    // Cuts the list into consecutive pieces whose encodings fit firstCapacity, then laterCapacity
    // bytes each, never splitting a run. Offsets restart from LCN 0 in every piece, as each extent's
    // pairs do. An empty list gives one empty piece. False when a single run does not fit.
    bool Split(size_t firstCapacity, size_t laterCapacity, std::vector<KNtfsRunList>& pieces) const;
    // The LCN of a VCN (-1 sparse, -2 not mapped) and the clusters left in its run from there.
    int64_t Map(int64_t vcn, int64_t* clustersLeft = nullptr) const;
};

class KNtfsString : public KNtfsSimpleArray<char16_t> {
public:
    KNtfsString() = default;
    explicit KNtfsString(const char16_t* zeroTerminated);
    KNtfsString(const char16_t* text, size_t maxUnits);
    // From little-endian UTF-16 bytes as stored on disk.
    static KNtfsString FromLittleEndian(const uint8_t* bytes, size_t units);

    void Append(char16_t unit) { m_items.push_back(unit); }
    std::u16string ToU16() const { return std::u16string(m_items.begin(), m_items.end()); }
    std::string ToUtf8() const;

    bool operator==(const KNtfsString& other) const { return m_items == other.m_items; }
    // Binary and case-sensitive; on a common prefix the shorter string comes first.
    bool operator<(const KNtfsString& other) const { return m_items < other.m_items; }
};

class KNtfsAttribute {
public:
    virtual ~KNtfsAttribute() = default;

    // Keeps a copy of the attribute's own length-field bytes, which may be fewer than `length` (so a
    // caller can pass the rest of a record). False when the bytes cannot be an attribute: a length
    // field shorter than the header (0x18 resident, 0x40 non-resident) or longer than `length`, a
    // non-resident byte other than 0 or 1, a value or mapping-pairs offset inside the header or a value
    // past the end, or a name that does not lie between the header and the value or pairs.
    bool Assign(const uint8_t* bytes, size_t length);
    const uint8_t* Data() const { return m_bytes.data(); }
    size_t Length() const { return m_bytes.size(); }

    uint32_t GetType() const;
    uint32_t GetRecordLength() const;
    bool IsNonResident() const;
    uint16_t GetFlags() const;
    uint16_t GetId() const;
    void SetId(uint16_t id);
    KNtfsString GetName() const;
    // Resident
    uint32_t GetValueLength() const;
    uint16_t GetValueOffset() const;
    const uint8_t* GetValuePointer() const; // nullptr for non-resident attributes
    size_t GetValue(void* buffer, size_t maximum) const;
    bool SetValue(const void* bytes, size_t length);
    // Non-resident
    int64_t GetStartingVcn() const;
    int64_t GetLastVcn() const;
    uint16_t GetMappingPairsOffset() const;
    int64_t GetAllocatedSize() const;
    int64_t GetDataSize() const;
    int64_t GetInitializedSize() const;
    void SetSizes(int64_t allocated, int64_t data, int64_t initialized);
    void SetVcnRange(int64_t first, int64_t last);
    bool GetRunList(KNtfsRunList& runs) const;
    bool SetRunList(const KNtfsRunList& runs);
    // Whole data of a non-resident attribute through the volume; the bytes read, or -1.
    // Both need an extent that starts at VCN 0 whose runs cover the data size, stay inside the
    // allocated size and, when the volume's size is known, inside the volume. Only [0, data size) is
    // transferred, in device calls of at most 4 MiB. ReadData fills sparse runs and everything past
    // the initialized size with zeros and, when a device read fails, returns how many bytes from the
    // start of the buffer are good. WriteData skips sparse runs (bytes given for them are not stored)
    // and pads a last partial sector with zeros.
    int64_t ReadData(const NtfsVolume& volume, void* buffer, int64_t length) const;
    bool WriteData(const NtfsVolume& volume, const void* bytes, int64_t length) const;

private:
    std::vector<uint8_t> m_bytes;
};

struct tagAttriListElement {
    uint32_t Type = 0;
    uint16_t Length = 0;
    uint8_t NameLength = 0;
    uint8_t NameOffset = 0;
    int64_t StartingVcn = 0;
    uint64_t FileReference = 0;
    uint16_t AttributeId = 0;
    KNtfsString Name;
};

class KNtfsAttributeList : public KNtfsSimpleArray<tagAttriListElement> {
public:
    // False for a damaged list: an entry running past the end or a name outside its entry.
    bool Parse(const uint8_t* value, size_t length);
    void Sort();
    // Sorted entries, names at 0x1A, each entry's length rounded up to 8. False when empty.
    bool Build(std::vector<uint8_t>& bytes);
    // Index of the first entry of that type and name (any name when anyName), or -1.
    int Find(uint32_t type, const KNtfsString& name, bool anyName = false) const;
};
