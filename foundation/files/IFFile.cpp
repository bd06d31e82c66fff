#include "foundation/files/IFFile.h"

#include <cstring>
#include <utility>

#include "foundation/pattern/StrRegexMatch.h"
#include "foundation/strings/UStr.h"

int32_t IFFile::SetOptions(bool exactReads, bool writeThrough) {
    m_flags = (m_flags & ~kOptionFlags) | (exactReads ? kExactReads : 0u) | (writeThrough ? kWriteThrough : 0u);
    return Record(kOk);
}

int32_t IFFile::PlanOpen(const char* path, const char* mode, uint32_t attributes, OpenPlan& plan) {
    // The mode is read like the C library's: letters anywhere, "r" before "w"
    // before "a", "+" adding the other direction, anything else ignored.
    const auto has = [mode](char c) { return mode != nullptr && std::strchr(mode, c) != nullptr; };
    const bool plus = has('+');
    platform::FileOpenRequest& request = plan.request;
    if (has('r')) {
        plan.flags = kOpen | kReadable | (plus ? kWritable : 0u);
        request.disposition = platform::FileDisposition::OpenExisting;
    } else if (has('w')) {
        plan.flags = kOpen | kWritable | kWriteDirection | (plus ? kReadable : 0u);
        request.disposition = platform::FileDisposition::CreateAlways;
    } else if (has('a')) {
        plan.flags = kOpen | kWritable | kWriteDirection | (plus ? kReadable : 0u);
        request.disposition = platform::FileDisposition::OpenAlways;
        plan.append = true;
    } else {
        return kBadArgument;
    }
    if (path == nullptr || path[0] == '\0') {
        return kBadArgument;
    }
    // Only a reader shares its file (with other readers); every other mode asks
    // for read and write access and keeps the file to itself.
    request.write = (plan.flags & kWritable) != 0;
    request.shareRead = !request.write;

    attributes &= kAttributeMask;
    request.createReadOnly = (attributes & kAttributeReadOnly) != 0;
    request.writeThrough = (attributes & kWriteThroughAttribute) != 0;
    request.hint = (attributes & kRandomAccess)     ? platform::FileAccessHint::Random
                   : (attributes & kSequentialScan) ? platform::FileAccessHint::Sequential
                                                    : platform::FileAccessHint::None;
    plan.deleteOnClose = (attributes & kDeleteOnClose) != 0;

    if (!MakeFullPath(path, plan.fullPath) || !PathToSystem(plan.fullPath.GetText(), plan.systemPath)) {
        return kBadArgument;
    }
    ExtractFileTitle(plan.fullPath.GetText(), plan.title);
    return kOk;
}

int32_t IFFile::OpenPlanned(const char* path, const char* mode, uint32_t attributes, OpenPlan& plan, int& fd) {
    const int32_t planned = PlanOpen(path, mode, attributes, plan);
    if (planned != kOk) {
        m_status = planned;
        return planned;
    }
    fd = platform::OpenFile(plan.systemPath.c_str(), plan.request);
    if (fd < 0) {
        m_status = kOpenRefused;
        return kOpenRefused;
    }
    return kOk;
}

void IFFile::RemoveIfDeleteOnClose() noexcept {
    if (!m_deleteOnClose) {
        return;
    }
    try {
        std::string systemPath;
        if (PathToSystem(m_fullPath.GetText(), systemPath)) {
            platform::RemoveFile(systemPath.c_str());
        }
    } catch (...) {
        // No memory for the path: the file stays, as when the system refuses.
    }
}

int32_t IFFile::SeekFrom(int32_t offset, int32_t origin, int64_t recordedSize) {
    int64_t base;
    switch (origin) {
        case 0:
            base = 0;
            break;
        case 1:
            if (GetPosition(base) != kOk) {
                m_status = kIoFailure;
                return kIoFailure;
            }
            break;
        case 2:
            base = recordedSize;
            break;
        default:
            return Record(kBadArgument);
    }
    int64_t target;
    if (__builtin_add_overflow(base, static_cast<int64_t>(offset), &target)) {
        return Record(kOutOfRange);
    }
    return SetPosition(target);
}

void IFFile::Adopt(OpenPlan& plan) noexcept {
    m_fullPath = std::move(plan.fullPath);
    m_title = std::move(plan.title);
    m_flags = (m_flags & kOptionFlags) | plan.flags;
    m_deleteOnClose = plan.deleteOnClose;
}

void IFFile::Forget() noexcept {
    m_title.Free();
    m_fullPath.Free();
    m_flags &= kOptionFlags;
    m_deleteOnClose = false;
}
