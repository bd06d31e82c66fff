#include "foundation/files/AtomicFile.h"

CAtomicFile::~CAtomicFile() {
    Abort();
}

int32_t CAtomicFile::Open(const char* path, const char* mode, uint32_t attributes) {
    if (m_handle >= 0) {
        return Record(kAlreadyOpen);
    }
    OpenPlan plan;
    int32_t planned = PlanOpen(path, mode, attributes, plan);
    if (planned == kOk && plan.request.disposition != platform::FileDisposition::CreateAlways) {
        planned = kBadArgument;
    }
    if (planned != kOk) {
        m_status = planned;
        return planned;
    }
    std::string target = platform::ResolveLinks(plan.systemPath.c_str());
    const size_t slash = target.find_last_of('/');
    if (platform::IsFolder(target.c_str()) || slash == std::string::npos || slash + 1 == target.size()) {
        m_status = kOpenRefused;
        return kOpenRefused;
    }
    // Hidden, and named after the target, so a leftover from a crash is recognisable.
    const std::string prefix = target.substr(0, slash + 1) + "." + target.substr(slash + 1) + ".new-";
    std::string temporary;
    const int fd = platform::CreateUniqueFile(prefix, temporary);
    if (fd < 0) {
        m_status = kOpenRefused;
        return kOpenRefused;
    }
    uint32_t permissions = 0;
    if (platform::GetFilePermissions(target.c_str(), permissions)) {
        platform::SetFilePermissions(fd, permissions);
    } else if (plan.request.createReadOnly && platform::GetFilePermissions(temporary.c_str(), permissions)) {
        platform::SetFilePermissions(fd, permissions & ~0222u);
    }
    plan.deleteOnClose = false;
    AdoptDescriptor(fd, plan);
    m_temporaryPath = std::move(temporary);
    m_targetPath = std::move(target);
    return kOk;
}

int32_t CAtomicFile::Close() {
    if (m_handle < 0) {
        m_status = kNotOpen;
        return kNotOpen;
    }
    Abort();
    return kOk;
}

void CAtomicFile::Abort() noexcept {
    if (m_handle < 0) {
        return;
    }
    ReleaseDescriptor();
    platform::RemoveFile(m_temporaryPath.c_str());
    m_temporaryPath.clear();
    m_targetPath.clear();
}

int32_t CAtomicFile::Commit() {
    if (m_handle < 0) {
        m_status = kNotOpen;
        return kNotOpen;
    }
    bool done = m_status != kIoFailure && platform::SyncFile(m_handle);
    done = ReleaseDescriptor() && done;
    done = done && platform::RenameFile(m_temporaryPath.c_str(), m_targetPath.c_str());
    if (!done) {
        platform::RemoveFile(m_temporaryPath.c_str());
    } else {
        // The new name is in place; making the folder entry durable is best effort.
        platform::SyncFolderOf(m_targetPath.c_str());
    }
    m_temporaryPath.clear();
    m_targetPath.clear();
    m_status = done ? kOk : kIoFailure;
    return m_status;
}
