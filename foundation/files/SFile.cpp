#include "foundation/files/SFile.h"

CSFile::~CSFile() {
    if (m_handle >= 0) {
        Close();
    }
}

int32_t CSFile::SetBufferSize(uint32_t) {
    return Record(kNotSupported);
}

int32_t CSFile::SetOptions(bool, bool) {
    return Record(kNotSupported);
}

int32_t CSFile::Open(const char* path, const char* mode, uint32_t attributes) {
    if (m_handle >= 0) {
        return Record(kAlreadyOpen);
    }
    OpenPlan plan;
    int fd = -1;
    if (const int32_t opened = OpenPlanned(path, mode, attributes, plan, fd); opened != kOk) {
        return opened;
    }
    int64_t size = 0;
    int64_t position = 0;
    if (!platform::GetFileSize(fd, size) || (plan.append && !platform::SeekFile(fd, size, position))) {
        platform::CloseFile(fd);
        m_status = kIoFailure;
        return kIoFailure;
    }
    AdoptDescriptor(fd, plan);
    m_size = size;
    m_position = position;
    return kOk;
}

void CSFile::AdoptDescriptor(int fd, OpenPlan& plan) noexcept {
    m_handle = fd;
    m_position = 0;
    m_size = 0;
    Adopt(plan);
    m_status = kOk;
}

bool CSFile::ReleaseDescriptor() noexcept {
    const bool closed = platform::CloseFile(m_handle);
    RemoveIfDeleteOnClose();
    m_handle = -1;
    m_position = 0;
    m_size = 0;
    Forget();
    return closed;
}

int32_t CSFile::Close() {
    if (m_handle < 0) {
        m_status = kNotOpen;
        return kNotOpen;
    }
    // The system never keeps a descriptor whose close failed, so the object is
    // closed either way; the failure is still reported.
    if (!ReleaseDescriptor()) {
        m_status = kIoFailure;
        return kIoFailure;
    }
    return kOk;
}

uint32_t CSFile::Read(void* buffer, uint32_t count) {
    if (CheckOperation(kReadable) != kOk) {
        return 0;
    }
    if (buffer == nullptr && count != 0) {
        m_status = kBadArgument;
        return 0;
    }
    const int64_t got = platform::ReadFile(m_handle, buffer, count);
    if (got < 0) {
        m_status = kIoFailure;
        return 0;
    }
    m_position += got;
    m_status = kOk;
    return static_cast<uint32_t>(got);
}

int32_t CSFile::Write(const void* buffer, uint32_t count) {
    if (const int32_t checked = CheckOperation(kWritable); checked != kOk) {
        return checked;
    }
    if (buffer == nullptr && count != 0) {
        m_status = kBadArgument;
        return kBadArgument;
    }
    if (!platform::WriteFile(m_handle, buffer, count)) {
        m_status = kIoFailure;
        return kIoFailure;
    }
    m_position += count;
    if (m_position > m_size) {
        m_size = m_position;
    }
    m_status = kOk;
    return kOk;
}

int32_t CSFile::Seek(int32_t offset, int32_t origin) {
    return SeekFrom(offset, origin, m_size);
}

int32_t CSFile::SetPosition(const int64_t& position) {
    if (const int32_t checked = CheckOperation(0); checked != kOk) {
        return checked;
    }
    int64_t reported = 0;
    if (!platform::SeekFile(m_handle, position, reported)) {
        m_status = kNotOpen;
        return kNotOpen;
    }
    m_position = reported;
    m_status = kOk;
    return kOk;
}

int32_t CSFile::GetPosition(int64_t& position) {
    if (const int32_t checked = CheckQuery(); checked != kOk) {
        return checked;
    }
    position = m_position;
    return kOk;
}

int32_t CSFile::GetSize(int64_t& size) {
    if (const int32_t checked = CheckQuery(); checked != kOk) {
        return checked;
    }
    size = m_size;
    return kOk;
}

int32_t CSFile::SetSize(const int64_t& size) {
    if (const int32_t checked = CheckOperation(kWritable); checked != kOk) {
        return checked;
    }
    if (size < 0) {
        m_status = kOutOfRange;
        return kOutOfRange;
    }
    const int32_t moved = SetPosition(size);
    if (moved != kOk) {
        return moved;
    }
    if (!platform::TruncateFile(m_handle, size)) {
        m_status = kIoFailure;
        return kIoFailure;
    }
    m_size = size;
    m_status = kOk;
    return kOk;
}

int32_t CSFile::Flush() {
    // Nothing is held back; only a sticky failure is reported.
    if (m_handle >= 0 && m_status == kIoFailure) {
        return kIoFailure;
    }
    return Record(kOk);
}
