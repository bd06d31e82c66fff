#include "foundation/files/FFile.h"

#include <cstring>
#include <string>

#include "foundation/strings/UStr.h"

namespace {

constexpr int64_t kFileTimeEpochOffset = 11644473600;  // seconds from 1601 to 1970
constexpr int64_t kTicksPerSecond = 10000000;

platform::FileTimestamp FromFileTime(const FILETIME& time) {
    const uint64_t ticks = (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    platform::FileTimestamp stamp;
    stamp.seconds = static_cast<int64_t>(ticks / kTicksPerSecond) - kFileTimeEpochOffset;
    stamp.nanoseconds = static_cast<int32_t>(ticks % kTicksPerSecond) * 100;
    return stamp;
}

void ToFileTime(const platform::FileTimestamp& stamp, FILETIME* time) {
    if (time == nullptr) {
        return;
    }
    const int64_t ticks = (stamp.seconds + kFileTimeEpochOffset) * kTicksPerSecond + stamp.nanoseconds / 100;
    const uint64_t bits = ticks < 0 ? 0 : static_cast<uint64_t>(ticks);
    time->dwLowDateTime = static_cast<uint32_t>(bits);
    time->dwHighDateTime = static_cast<uint32_t>(bits >> 32);
}

}  // namespace

// ---------------------------------------------------------------------------
// CFFile_base: the buffering

template <class Ring, unsigned Granularity>
CFFile_base<Ring, Granularity>::CFFile_base() {
    m_ring.SetGrowthStep(0);
    if (!m_ring.Create(kDefaultRingSize)) {
        throw 0;
    }
}

template <class Ring, unsigned Granularity>
bool CFFile_base<Ring, Granularity>::RawTruncate() {
    return false;
}

template <class Ring, unsigned Granularity>
int32_t CFFile_base<Ring, Granularity>::SetBufferSize(uint32_t bytes) {
    const uint64_t size = (uint64_t(bytes) + Granularity - 1) / Granularity * Granularity;
    // A ring that would drop buffered bytes cannot serve, nor one of no bytes.
    if (size == 0 || size > UINT32_MAX || size < m_ring.GetCount() || !m_ring.Resize(static_cast<uint32_t>(size))) {
        return Record(kBufferResizeFailed);
    }
    // The resize moved the queued bytes to the start: nothing lies behind the head.
    m_lookBehind = 0;
    return Record(kOk);
}

template <class Ring, unsigned Granularity>
bool CFFile_base<Ring, Granularity>::LoadAtRaw(uint32_t want) {
    m_ring.Empty();
    unsigned char* into = m_ring.ReserveTail(want);
    if (into == nullptr) {
        return false;
    }
    const uint32_t got = RawRead(into, want);
    if (got == 0xFFFFFFFFu || got > want) {
        m_ring.Empty();
        return false;
    }
    m_ring.DropTail(want - got);
    const int64_t left = m_recordedSize > m_rawPosition ? m_recordedSize - m_rawPosition : 0;
    const uint32_t expected = left < int64_t(want) ? static_cast<uint32_t>(left) : want;
    if (got < expected) {
        // The file is shorter than its recorded size: it changed behind our back.
        m_ring.Empty();
        return false;
    }
    m_ring.DropTail(got - expected);
    return true;
}

template <class Ring, unsigned Granularity>
bool CFFile_base<Ring, Granularity>::LoadSector() {
    if (!LoadAtRaw(m_sectorSize)) {
        return false;
    }
    if ((m_flags & kWriteDirection) == 0) {
        m_lookBehind = 0;
        m_rawPosition += m_ring.GetCount();
        return true;
    }
    return RawSeek(m_rawPosition) == kOk;
}

template <class Ring, unsigned Granularity>
void CFFile_base<Ring, Granularity>::FillUpToSectors() {
    const uint32_t partial = m_ring.GetCount() % m_sectorSize;
    if (partial != 0) {
        const uint32_t missing = m_sectorSize - partial;
        if (unsigned char* pad = m_ring.ReserveTail(missing)) {
            std::memset(pad, 0, missing);
        }
    }
}

template <class Ring, unsigned Granularity>
int32_t CFFile_base<Ring, Granularity>::Flush() {
    if (const int32_t checked = CheckOperation(0); checked != kOk) {
        return checked;
    }
    if ((m_flags & kWriteDirection) != 0) {
        const uint32_t whole = m_pending - m_pending % m_sectorSize;
        if (whole > 0) {
            if (!WriteOldest(whole)) {
                m_status = kIoFailure;
                return kIoFailure;
            }
            m_rawPosition += whole;
            m_ring.SkipHead(whole);
            m_pending -= whole;
        }
    }
    m_status = kOk;
    return kOk;
}

template <class Ring, unsigned Granularity>
bool CFFile_base<Ring, Granularity>::WriteOldest(uint32_t n) {
    const uint32_t head = m_ring.Head();
    const uint32_t toEnd = m_ring.GetCapacity() - head;
    const uint32_t first = n < toEnd ? n : toEnd;
    const unsigned char* buffer = m_ring.GetBuffer();
    return RawWrite(buffer + head, first) && (n == first || RawWrite(buffer, n - first));
}

template <class Ring, unsigned Granularity>
bool CFFile_base<Ring, Granularity>::LoadSectorAt(int64_t sectorStart) {
    if (RawSeek(sectorStart) != kOk) {
        return false;
    }
    m_rawPosition = sectorStart;
    return LoadSector();
}

template <class Ring, unsigned Granularity>
int32_t CFFile_base<Ring, Granularity>::FlushAll() {
    FillUpToSectors();
    m_pending = m_ring.GetCount();
    return Flush() == kOk ? kOk : kIoFailure;
}

template <class Ring, unsigned Granularity>
bool CFFile_base<Ring, Granularity>::SetDirection(bool write) {
    const bool writing = (m_flags & kWriteDirection) != 0;
    if (write == writing) {
        return true;
    }
    int64_t position;
    if (write) {
        if ((m_flags & kWritable) == 0) {
            return false;
        }
        m_flags |= kWriteDirection;
        position = m_rawPosition - m_ring.GetCount();
        m_ring.Empty();
        m_pending = 0;
        m_lookBehind = 0;
        const int64_t partial = m_rawPosition % m_sectorSize;
        if (partial != 0) {
            m_rawPosition += m_sectorSize - partial;
        }
    } else {
        if ((m_flags & kReadable) == 0) {
            return false;
        }
        FillUpToSectors();
        position = m_rawPosition + m_pending;
        m_pending = m_ring.GetCount();
        if (Flush() != kOk) {
            return false;
        }
        m_ring.Empty();
        m_pending = 0;
        m_flags &= ~kWriteDirection;
        m_lookBehind = 0;
    }
    return SetPosition(position) == kOk;
}

template <class Ring, unsigned Granularity>
int32_t CFFile_base<Ring, Granularity>::SetPosition(const int64_t& position) {
    if ((m_flags & kOpen) == 0) {
        m_status = kOutOfRange;
        return kOutOfRange;
    }
    if (m_status == kIoFailure) {
        return kIoFailure;
    }
    const int64_t target = position;
    if (target < 0 || target > m_recordedSize) {
        m_status = kOutOfRange;
        return kOutOfRange;
    }
    const uint32_t count = m_ring.GetCount();
    const uint32_t intoSector = static_cast<uint32_t>(target % m_sectorSize);
    if ((m_flags & kWriteDirection) != 0) {
        if (m_rawPosition <= target && target <= m_rawPosition + count) {
            m_pending = static_cast<uint32_t>(target - m_rawPosition);
            m_status = kOk;
            return kOk;
        }
        if (FlushAll() != kOk) {
            return kIoFailure;
        }
        m_ring.Empty();
        if (!LoadSectorAt(target - intoSector)) {
            m_status = kIoFailure;
            return kIoFailure;
        }
        m_pending = intoSector;
        m_status = kOk;
        return kOk;
    }
    const int64_t logical = m_rawPosition - count;
    if (logical <= target && target <= m_rawPosition) {
        const uint32_t skip = static_cast<uint32_t>(target - logical);
        m_ring.SkipHead(skip);
        m_lookBehind += skip;
    } else if (target < logical && logical - target <= m_lookBehind) {
        const uint32_t back = static_cast<uint32_t>(logical - target);
        m_ring.StepHeadBack(back);
        m_lookBehind -= back;
    } else {
        m_ring.Empty();
        m_lookBehind = 0;
        if (!LoadSectorAt(target - intoSector)) {
            m_status = kIoFailure;
            return kIoFailure;
        }
        m_ring.SkipHead(intoSector);
        m_lookBehind = intoSector;
    }
    m_status = kOk;
    return kOk;
}

template <class Ring, unsigned Granularity>
int32_t CFFile_base<Ring, Granularity>::GetPosition(int64_t& position) {
    if (const int32_t checked = CheckQuery(); checked != kOk) {
        return checked;
    }
    position = (m_flags & kWriteDirection) != 0 ? m_rawPosition + m_pending : m_rawPosition - m_ring.GetCount();
    return kOk;
}

template <class Ring, unsigned Granularity>
int32_t CFFile_base<Ring, Granularity>::GetSize(int64_t& size) {
    if (const int32_t checked = CheckQuery(); checked != kOk) {
        return checked;
    }
    size = m_recordedSize;
    return kOk;
}

template <class Ring, unsigned Granularity>
int32_t CFFile_base<Ring, Granularity>::Seek(int32_t offset, int32_t origin) {
    return SeekFrom(offset, origin, m_recordedSize);
}

template <class Ring, unsigned Granularity>
uint32_t CFFile_base<Ring, Granularity>::Read(void* buffer, uint32_t count) {
    if ((m_flags & kOpen) != 0 && m_status == kIoFailure) {
        return 0;
    }
    if ((m_flags & kReadable) == 0) {
        m_status = kNotAllowed;
        return 0;
    }
    if (buffer == nullptr && count != 0) {
        Record(kBadArgument);
        return 0;
    }
    if (!SetDirection(false)) {
        m_status = kIoFailure;
        return 0;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    const uint32_t queued = m_ring.GetCount();
    if (count < queued) {
        m_ring.Read(out, count);
        m_lookBehind += count;
        m_status = kOk;
        return count;
    }
    m_ring.Read(out, queued);
    m_lookBehind += queued;
    out += queued;
    uint32_t rest = count - queued;
    while (rest > 0 && m_rawPosition < m_recordedSize) {
        uint32_t chunk = m_ring.GetCapacity();
        if ((m_flags & kExactReads) != 0) {
            const uint64_t rounded = (uint64_t(rest) + m_sectorSize - 1) / m_sectorSize * m_sectorSize;
            if (rounded < chunk) {
                chunk = static_cast<uint32_t>(rounded);
            }
        }
        m_lookBehind = 0;
        if (!LoadAtRaw(chunk)) {
            m_status = kIoFailure;
            return 0;
        }
        const uint32_t loaded = m_ring.GetCount();
        m_rawPosition += loaded;
        const uint32_t take = loaded < rest ? loaded : rest;
        m_ring.Read(out, take);
        m_lookBehind = take;
        out += take;
        rest -= take;
    }
    m_status = kOk;
    return count - rest;
}

template <class Ring, unsigned Granularity>
int32_t CFFile_base<Ring, Granularity>::Write(const void* buffer, uint32_t count) {
    if ((m_flags & kOpen) != 0 && m_status == kIoFailure) {
        return kIoFailure;
    }
    if ((m_flags & kWritable) == 0) {
        m_status = kNotAllowed;
        return kNotAllowed;
    }
    if (buffer == nullptr && count != 0) {
        return Record(kBadArgument);
    }
    if (!SetDirection(true)) {
        m_status = kIoFailure;
        return kIoFailure;
    }
    const auto* in = static_cast<const unsigned char*>(buffer);
    const uint32_t capacity = m_ring.GetCapacity();
    if (m_rawPosition + m_pending + count >= m_recordedSize) {
        // The write covers every byte after P: they need not be kept.
        m_ring.DropTail(m_ring.GetCount() - m_pending);
        uint32_t left = count;
        while (left > 0) {
            if (m_ring.GetCount() == capacity) {
                m_pending = capacity;
                if (Flush() != kOk) {
                    return kIoFailure;
                }
            }
            const uint32_t space = capacity - m_ring.GetCount();
            const uint32_t piece = left < space ? left : space;
            m_ring.Write(in, piece);
            in += piece;
            left -= piece;
        }
        m_pending = m_ring.GetCount();
        m_recordedSize = m_rawPosition + m_pending;
        if ((m_flags & kWriteThrough) != 0) {
            return Flush();
        }
        m_status = kOk;
        return kOk;
    }

    // Inside the file: overwrite the loaded bytes after P, then go on in whole
    // rings, then merge the remainder with the file's own bytes.
    const uint32_t after = m_ring.GetCount() - m_pending;
    if (count <= after) {
        m_ring.Overwrite(m_pending, in, count);
        m_pending += count;
        m_status = kOk;
        return kOk;
    }
    m_ring.Overwrite(m_pending, in, after);
    m_pending += after;
    in += after;
    uint32_t rest = count - after;
    if (Flush() != kOk) {
        return kIoFailure;
    }
    m_ring.Empty();
    m_pending = 0;
    while (rest >= capacity) {
        m_ring.Write(in, capacity);
        m_pending = capacity;
        if (Flush() != kOk) {
            return kIoFailure;
        }
        m_ring.Empty();
        m_pending = 0;
        in += capacity;
        rest -= capacity;
    }
    if (rest > 0) {
        uint32_t want = capacity;
        if ((m_flags & kWriteThrough) != 0) {
            want = (rest + m_sectorSize - 1) / m_sectorSize * m_sectorSize;
        }
        if (!LoadAtRaw(want) || RawSeek(m_rawPosition) != kOk) {
            m_status = kIoFailure;
            return kIoFailure;
        }
        m_ring.Overwrite(0, in, rest);
        m_pending = rest;
    }
    m_status = kOk;
    return kOk;
}

template <class Ring, unsigned Granularity>
int32_t CFFile_base<Ring, Granularity>::SetSize(const int64_t& size) {
    if (const int32_t checked = CheckOperation(kWritable); checked != kOk) {
        return checked;
    }
    const int64_t target = size;
    if (target < 0) {
        m_status = kOutOfRange;
        return kOutOfRange;
    }
    if (!SetDirection(true) || FlushAll() != kOk) {
        m_status = kIoFailure;
        return kIoFailure;
    }
    const uint32_t intoSector = static_cast<uint32_t>(target % m_sectorSize);
    if (target <= m_recordedSize) {
        if (SetPosition(target) != kOk || !RawTruncate()) {
            m_status = kIoFailure;
            return kIoFailure;
        }
        m_ring.DropTail(m_ring.GetCount() - intoSector);
        m_pending = m_ring.GetCount();
        m_recordedSize = target;
        m_status = kOk;
        return kOk;
    }
    int64_t sectorStart = target - intoSector;
    if (RawSeek(sectorStart) != kOk) {
        m_status = kIoFailure;
        return kIoFailure;
    }
    const int64_t lastSectorStart = m_recordedSize - m_recordedSize % m_sectorSize;
    if (sectorStart != lastSectorStart) {
        // The file ends at the new last sector's start; that sector lives in the ring.
        if (!RawTruncate()) {
            m_status = kIoFailure;
            return kIoFailure;
        }
        m_ring.Empty();
    } else {
        m_rawPosition = sectorStart;
        if (!LoadSector()) {
            m_status = kIoFailure;
            return kIoFailure;
        }
    }
    const uint32_t grow = intoSector - m_ring.GetCount();
    if (unsigned char* added = m_ring.ReserveTail(grow)) {
        std::memset(added, 0, grow);
    }
    m_pending = m_ring.GetCount();
    m_recordedSize = target;
    m_rawPosition = sectorStart;
    m_status = kOk;
    return kOk;
}

template <class Ring, unsigned Granularity>
void CFFile_base<Ring, Granularity>::ResetClosed() noexcept {
    m_recordedSize = 0;
    m_rawPosition = 0;
    m_pending = 0;
    m_lookBehind = 0;
    m_ring.Empty();
    Forget();
}

template class CFFile_base<CQueueCtrl_UseVirtualAlloc<unsigned char>, 65536>;

// ---------------------------------------------------------------------------
// CFFile: the raw operations over a POSIX descriptor

CFFile::~CFFile() {
    if (m_handle >= 0) {
        Close();
    }
}

int32_t CFFile::Open(const char* path, const char* mode, uint32_t attributes) {
    if (m_handle >= 0) {
        return Record(kAlreadyOpen);
    }
    m_ring.Empty();
    OpenPlan plan;
    int fd = -1;
    if (const int32_t opened = OpenPlanned(path, mode, attributes, plan, fd); opened != kOk) {
        return opened;
    }
    m_sectorSize = kSectorSize;
    m_handle = fd;
    m_rawPosition = 0;
    m_pending = 0;
    m_lookBehind = 0;
    m_recordedSize = 0;
    bool ready = platform::GetFileSize(fd, m_recordedSize);
    if (ready && plan.append) {
        // Start at the end: the last partial sector comes into the ring, as bytes
        // before P.
        int64_t lastSector = m_recordedSize - m_recordedSize % m_sectorSize;
        ready = RawSeek(lastSector) == kOk;
        m_rawPosition = lastSector;
        ready = ready && LoadAtRaw(m_sectorSize) && RawSeek(m_rawPosition) == kOk;
        m_pending = m_ring.GetCount();
    }
    if (!ready) {
        platform::CloseFile(fd);
        m_handle = -1;
        ResetClosed();
        m_status = kIoFailure;
        return kIoFailure;
    }
    Adopt(plan);
    m_status = kOk;
    return kOk;
}

bool CFFile::WriteOut() {
    if (!SetDirection(true) || Seek(0, 2) != kOk) {
        return false;
    }
    // Everything before the raw position is on the disk; the ring holds the rest
    // of the file, which needs no sector padding here.
    return WriteOldest(m_ring.GetCount()) && RawTruncate();
}

int32_t CFFile::Close() {
    if (m_handle < 0) {
        m_status = kNotOpen;
        return kNotOpen;
    }
    const bool failedBefore = m_status == kIoFailure;
    const bool written = failedBefore || (m_flags & kWritable) == 0 || WriteOut();
    // The descriptor is released even when the system reports a failure on closing.
    const bool closed = platform::CloseFile(m_handle);
    m_handle = -1;
    RemoveIfDeleteOnClose();
    ResetClosed();
    if (!closed || !written) {
        m_status = kIoFailure;
        return kIoFailure;
    }
    // An earlier input/output failure means the file may lack data: not success.
    m_status = failedBefore ? kNotOpen : kOk;
    return m_status;
}

int32_t CFFile::RawSeek(int64_t& position) {
    int64_t reported = 0;
    if (!platform::SeekFile(m_handle, position, reported)) {
        return kNotOpen;
    }
    position = reported;
    return kOk;
}

uint32_t CFFile::RawRead(void* buffer, uint32_t count) {
    const int64_t got = platform::ReadFile(m_handle, buffer, count);
    return got < 0 ? 0xFFFFFFFFu : static_cast<uint32_t>(got);
}

bool CFFile::RawTruncate() {
    return platform::TruncateAtPosition(m_handle);
}

bool CFFile::RawWrite(const void* buffer, uint32_t count) {
    return platform::WriteFile(m_handle, buffer, count);
}

int32_t CFFile::SetFileTime(const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite) {
    (void)creation;
    CStr_base<64> path;
    path.Assign(m_fullPath.GetText());
    if (m_handle < 0 || Close() != kOk) {
        m_status = kNotOpen;
        return kNotOpen;
    }
    std::string systemPath;
    platform::FileTimestamp access;
    platform::FileTimestamp write;
    if (lastAccess != nullptr) {
        access = FromFileTime(*lastAccess);
    }
    if (lastWrite != nullptr) {
        write = FromFileTime(*lastWrite);
    }
    if (!PathToSystem(path.GetText(), systemPath) ||
        !platform::SetFileTimes(systemPath.c_str(), lastAccess != nullptr ? &access : nullptr,
                                lastWrite != nullptr ? &write : nullptr)) {
        m_status = kNotOpen;
        return kNotOpen;
    }
    m_status = kOk;
    return kOk;
}

int32_t CFFile::GetFileTime(FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
    platform::FileTimes times;
    if (m_handle < 0 || !platform::GetFileTimes(m_handle, times)) {
        return 0;
    }
    ToFileTime(times.creation, creation);
    ToFileTime(times.lastAccess, lastAccess);
    ToFileTime(times.lastWrite, lastWrite);
    return 1;
}
