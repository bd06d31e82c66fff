#pragma once
// CFFile: the buffered file. All transfers between the file and memory are whole
// sectors at sector-aligned file positions, gathered in one ring of whole sectors
// that serves both directions:
//
//   read direction   the ring holds the next Count bytes of the file; the file
//                    descriptor stands at the raw position; the logical position
//                    P = raw - Count. The look-behind bytes before the ring's head
//                    are the bytes just before P, so a short step back is free.
//   write direction  the ring holds the file's bytes from the raw position (a
//                    sector multiple, where the descriptor stands) on: the first
//                    `pending` of them lie before P, the rest up to Count are the
//                    file's bytes after P. P = raw + pending.
//
// Reads fill the whole ring ahead (or, with the exact-reads option, just the
// requested bytes rounded up to sectors); writes gather in the ring and go out in
// whole sectors when it is full, on a change of direction, on a SetPosition
// outside the ring, on SetSize and on Close. Going out in whole sectors pads the
// last one with zeros beyond the recorded size; Close writes the partial last
// sector exactly and cuts the file at its recorded size. The ring never holds
// bytes beyond the recorded size.
//
// The generic part, CFFile_base, does all of that on top of four raw operations
// (seek, read, write, truncate) that CFFile supplies over a POSIX descriptor. The
// sector size is 4096: ordinary reads and writes serve here, so no drive geometry
// is asked; the ring size is always a multiple of the granularity.
#include <cstdint>
#include <cstring>

#include "foundation/containers/QueueCtrl.h"
#include "foundation/files/IFFile.h"

namespace detail {

// The head and tail moves the buffered file makes on its byte ring, beyond the
// ring's own block Read and Write. Positions follow the ring's rule: a position
// equal to the capacity stands for 0.
template <class Ring>
class FileRing : public Ring {
public:
    void Empty() noexcept { this->m_read = this->m_write = this->m_count = 0; }

    uint32_t Head() const noexcept { return this->m_read == this->m_capacity ? 0 : this->m_read; }

    // Reserves k bytes after the tail when they fit without wrapping round the
    // ring's end; returns their start, or null when they do not fit.
    unsigned char* ReserveTail(uint32_t k) noexcept {
        if (uint64_t(this->m_count) + k > this->m_capacity) {
            return nullptr;
        }
        if (this->m_write == this->m_capacity) {
            this->m_write = 0;
        }
        if (uint64_t(this->m_write) + k > this->m_capacity) {
            return nullptr;
        }
        unsigned char* start = this->m_buffer + this->m_write;
        this->m_write += k;
        this->m_count += k;
        return start;
    }

    // Forgets the newest k bytes (k <= Count).
    void DropTail(uint32_t k) noexcept {
        this->m_write = this->m_write >= k ? this->m_write - k : this->m_write + this->m_capacity - k;
        this->m_count -= k;
    }

    // Forgets the oldest k bytes (k <= Count).
    void SkipHead(uint32_t k) noexcept {
        const uint64_t head = uint64_t(this->m_read) + k;
        this->m_read = static_cast<uint32_t>(head > this->m_capacity ? head - this->m_capacity : head);
        this->m_count -= k;
    }

    // Takes back k bytes before the head (they must still hold what was read).
    void StepHeadBack(uint32_t k) noexcept {
        this->m_read = this->m_read >= k ? this->m_read - k : this->m_read + this->m_capacity - k;
        this->m_count += k;
    }

    // Copies n bytes over the queued bytes starting `offset` bytes after the head
    // (offset + n <= Count), wrapping round the ring's end.
    void Overwrite(uint32_t offset, const unsigned char* source, uint32_t n) noexcept {
        uint64_t at = uint64_t(Head()) + offset;
        if (at >= this->m_capacity) {
            at -= this->m_capacity;
        }
        const uint32_t start = static_cast<uint32_t>(at);
        const uint32_t first = n < this->m_capacity - start ? n : this->m_capacity - start;
        std::memcpy(this->m_buffer + start, source, first);
        std::memcpy(this->m_buffer, source + first, n - first);
    }
};

}  // namespace detail

template <class Ring, unsigned Granularity>
class CFFile_base : public IFFile {
public:
    // Bytes of the ring a new file object makes.
    static constexpr uint32_t kDefaultRingSize = 0x80000;
    // Bytes per sector: the unit of every transfer.
    static constexpr uint32_t kSectorSize = 4096;
    static_assert(Granularity % kSectorSize == 0, "the sector size must divide the granularity");

    // Throws the int 0 when the ring cannot be made.
    CFFile_base();
    ~CFFile_base() override = default;

    // Rounds the byte count up to a multiple of the granularity and resizes the
    // ring, keeping its bytes. Refused (1, nothing changes) when the memory is not
    // there or the ring would not hold the bytes it has buffered.
    int32_t SetBufferSize(uint32_t bytes) override;
    uint32_t Read(void* buffer, uint32_t count) override;
    int32_t Write(const void* buffer, uint32_t count) override;
    int32_t Seek(int32_t offset, int32_t origin) override;
    int32_t SetPosition(const int64_t& position) override;
    int32_t GetPosition(int64_t& position) override;
    int32_t GetSize(int64_t& size) override;
    int32_t SetSize(const int64_t& size) override;
    int32_t Flush() override;

    uint32_t GetRingSize() const noexcept { return m_ring.GetCapacity(); }

protected:
    // Moves the descriptor to `position` from the start; the position it reports
    // is written back. 0, or -2 when refused.
    virtual int32_t RawSeek(int64_t& position) = 0;
    // One read at the descriptor: the count read, or 0xFFFFFFFF on failure.
    virtual uint32_t RawRead(void* buffer, uint32_t count) = 0;
    // Ends the file at the descriptor's position.
    virtual bool RawTruncate();
    // One write at the descriptor: true only when every byte was written.
    virtual bool RawWrite(const void* buffer, uint32_t count) = 0;
    // Turns the ring to the asked direction, writing out or dropping it.
    virtual bool SetDirection(bool write);
    // Loads the sector at the raw position into the emptied ring.
    virtual bool LoadSector();

    // Empties the ring and loads up to `want` bytes at the raw position, cut at the
    // recorded size. False on a failed read, and when the file holds fewer bytes
    // than its recorded size promises (another program cut it).
    bool LoadAtRaw(uint32_t want);
    // Moves the descriptor to the sector at sectorStart and loads it (LoadSector).
    bool LoadSectorAt(int64_t sectorStart);
    // Writes the n oldest bytes of the ring at the raw position, in at most two
    // transfers (the ring may wrap); true when every byte was written.
    bool WriteOldest(uint32_t n);
    // Pads the ring with zeros up to a whole number of sectors.
    void FillUpToSectors();
    // Writes out every buffered byte (padded to whole sectors); 0 or 4.
    int32_t FlushAll();
    // Back to the closed state (the descriptor is already given back).
    void ResetClosed() noexcept;

    detail::FileRing<Ring> m_ring;
    uint32_t m_sectorSize = 0;
    int64_t m_rawPosition = 0;
    int64_t m_recordedSize = 0;
    uint32_t m_pending = 0;
    uint32_t m_lookBehind = 0;
};

// Win32-compatible file time: 100-nanosecond intervals since 1601-01-01 00:00 UTC.
struct FILETIME {
    uint32_t dwLowDateTime;
    uint32_t dwHighDateTime;
};

class CFFile : public CFFile_base<CQueueCtrl_UseVirtualAlloc<unsigned char>, 65536> {
public:
    CFFile() = default;
    // Closes the file.
    ~CFFile() override;

    int32_t Open(const char* path, const char* mode, uint32_t attributes) override;
    int32_t Close() override;

    // Closes the file (writing it out), then stamps its times; a null pointer
    // leaves that time. Linux keeps no settable creation time: `creation` is
    // accepted and ignored. 0, or -2 on any failure.
    virtual int32_t SetFileTime(const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite);
    // The file's times (creation: its birth time where the file system records
    // one, else its last write). Nonzero on success, 0 on failure; records nothing.
    virtual int32_t GetFileTime(FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite);

protected:
    int32_t RawSeek(int64_t& position) override;
    uint32_t RawRead(void* buffer, uint32_t count) override;
    bool RawTruncate() override;
    bool RawWrite(const void* buffer, uint32_t count) override;

    // Writes the ring's bytes up to the recorded size and cuts the file there.
    bool WriteOut();

    int m_handle = -1;
};
