#include "host/FileStream.h"

#include <atomic>

#include "foundation/files/IFFile.h"

using namespace qrkstream;

uint32_t IFFile2IStreamAdapter::AddRef() noexcept {
    return uint32_t(std::atomic_ref<int32_t>(m_refs).fetch_add(1) + 1);
}

uint32_t IFFile2IStreamAdapter::Release() noexcept {
    return uint32_t(std::atomic_ref<int32_t>(m_refs).fetch_sub(1) - 1);
}

QRKStreamResult IFFile2IStreamAdapter::Read(void* buffer, uint32_t size, uint32_t* read) {
    if (read != nullptr) *read = 0;
    if (m_file == nullptr) return kFalse;
    if (buffer == nullptr) return kInvalidPointer;
    const uint32_t got = m_file->Read(buffer, size);
    if (got == 0) {
        if (m_file->m_status == IFFile::kIoFailure) return kFalse;
        if (m_file->m_status == IFFile::kNotAllowed) return kAccessDenied;
    }
    if (read != nullptr) *read = got;
    return kOk;
}

QRKStreamResult IFFile2IStreamAdapter::Write(const void* buffer, uint32_t size, uint32_t* written) {
    if (written != nullptr) *written = 0;
    if (size == 0) return kOk;
    if (m_file == nullptr) return kCannotSave;
    if (buffer == nullptr) return kInvalidPointer;
    const int32_t status = m_file->Write(buffer, size);
    if (status == IFFile::kNotAllowed) return kAccessDenied;
    if (status != IFFile::kOk) return kCannotSave;
    if (written != nullptr) *written = size;
    return kOk;
}

QRKStreamResult IFFile2IStreamAdapter::Seek(int64_t move, uint32_t origin, uint64_t* position) {
    if (position != nullptr) *position = 0;
    if (m_file == nullptr) return kFalse;
    int64_t base = 0;
    switch (origin) {
        case kSeekSet: break;
        case kSeekCurrent:
            if (m_file->GetPosition(base) != IFFile::kOk) return kFalse;
            break;
        case kSeekEnd:
            if (m_file->GetSize(base) != IFFile::kOk) return kFalse;
            break;
        default: return kInvalidFunction;
    }
    int64_t target;
    if (__builtin_add_overflow(base, move, &target)) return kFalse;
    if (m_file->SetPosition(target) != IFFile::kOk) return kFalse;
    if (position != nullptr) *position = uint64_t(target);
    return kOk;
}

QRKStreamResult IFFile2IStreamAdapter::Stat(QRKStreamStat* stat, uint32_t flag) {
    if (m_file == nullptr) return kFalse;
    if (stat == nullptr || flag != kStatNoName) return kInvalidFlag;
    int64_t size = 0;
    if (m_file->GetSize(size) != IFFile::kOk) return kFalse;
    *stat = QRKStreamStat{};
    stat->type = kTypeStream;
    stat->size = uint64_t(size);
    return kOk;
}
