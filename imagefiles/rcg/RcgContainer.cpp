// RCG container files: reading one record, writing a whole container.
//
// The reader trusts nothing in the file: the index must be inside the table,
// the record's offset and its length field must lie inside the file, and the
// record buffer is allocated only once its length is known to be present.
// The writer codes one record at a time and streams it into a file that
// replaces the target only after every write succeeded.
#include "imagefiles/rcg/RcgContainer.h"

#include <cstring>
#include <new>

#include "foundation/files/AtomicFile.h"
#include "foundation/files/SFile.h"
#include "imagefiles/rcg/RcgEncoder.h"
#include "imagefiles/rcg/RcgRecord.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

constexpr uint32_t kContainerHeaderSize = 9;  // magic, form byte, 32-bit count
constexpr uint32_t kOldTableStart = 7;        // "RCG1": magic, form byte, 16-bit count
constexpr uint32_t kRecordLengthBytes = 4;

bool ReadExactly(CSFile& file, void* buffer, uint32_t count) { return file.Read(buffer, count) == count; }

}  // namespace

int32_t ReadRcgFrame(CMemoryBlock<unsigned char>& out, const char* path, int32_t index) {
    if (out.GetBuffer() != nullptr || path == nullptr || index < 0) return kRcgFrameNone;
    CSFile file;
    if (file.Open(path, "rb", 0x20) != 0) return kRcgFrameNone;
    int64_t fileSize = 0;
    if (file.GetSize(fileSize) != 0) return kRcgFrameNone;

    uint8_t head[10] = {};
    file.Read(head, sizeof head);  // a shorter file leaves zeros
    int64_t tableStart;
    int32_t form;
    if (std::memcmp(head, "RCG1", 4) == 0 && head[4] == '1' && index < RcgGet16(head + 5)) {
        tableStart = kOldTableStart;
        form = kRcgFrameRcg1;
    } else if (std::memcmp(head, "RCG2", 4) == 0 && head[4] == '0' &&
               static_cast<uint32_t>(index) < RcgGet32(head + 5)) {
        tableStart = kContainerHeaderSize;
        form = kRcgFrameRcg2;
    } else {
        return kRcgFrameNone;
    }

    uint8_t word[4];
    if (file.SetPosition(tableStart + 4 * static_cast<int64_t>(index)) != 0 || !ReadExactly(file, word, 4)) {
        return kRcgFrameNone;
    }
    const int64_t offset = RcgGet32(word);
    if (offset > fileSize || file.SetPosition(offset) != 0 || !ReadExactly(file, word, 4)) return kRcgFrameNone;
    const uint32_t length = RcgGet32(word);
    // The length must be present in the file before a buffer of that size is had.
    if (length <= kRecordLengthBytes || static_cast<int64_t>(length) > fileSize - offset) return kRcgFrameNone;

    uint8_t* record;
    try {
        record = out.Alloc(length);
    } catch (const std::bad_alloc&) {
        return kRcgFrameNone;
    }
    std::memcpy(record, word, 4);
    if (!ReadExactly(file, record + 4, length - 4)) {
        out.Free();
        return kRcgFrameNone;
    }
    return form;
}

const CSprite* GetSingleSprite(const void* items, uint32_t index) {
    return index == 0 ? static_cast<const CSprite*>(items) : nullptr;
}

bool SaveRcgFile(const char* path, const void* items, uint32_t count, uint16_t type, RcgImageGetter getter,
                 int32_t level) {
    if (path == nullptr || getter == nullptr) return false;
    const uint64_t firstOffset = kContainerHeaderSize + 4 * static_cast<uint64_t>(count);
    if (firstOffset > UINT32_MAX) return false;
    CMemoryBlock<unsigned char> table;
    try {
        table.Alloc(4 * count);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (count != 0) std::memset(table.GetBuffer(), 0, 4 * static_cast<size_t>(count));

    CAtomicFile file;
    if (file.Open(path, "wb", 0x20) != 0) return false;
    uint8_t head[kContainerHeaderSize];
    std::memcpy(head, "RCG20", 5);
    RcgPut32(head + 5, count);
    if (file.Write(head, sizeof head) != 0) return false;
    if (count != 0 && file.Write(table.GetBuffer(), 4 * count) != 0) return false;

    uint64_t next = firstOffset;
    for (uint32_t i = 0; i < count; ++i) {
        const CSprite* sprite = getter(items, i);
        if (sprite == nullptr) return false;
        CMemoryBlock<unsigned char> record;
        if (!RcgEncodeRecord(record, *sprite, type, level)) return false;
        const uint32_t length = record.GetCount();
        if (next + length > UINT32_MAX) return false;
        RcgPut32(table.GetBuffer() + 4 * static_cast<size_t>(i), static_cast<uint32_t>(next));
        next += length;
        if (file.Write(record.GetBuffer(), length) != 0) return false;
    }
    if (count != 0) {
        if (file.SetPosition(kContainerHeaderSize) != 0) return false;
        if (file.Write(table.GetBuffer(), 4 * count) != 0) return false;
    }
    return file.Commit() == 0;
}
