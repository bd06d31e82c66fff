#pragma once
// CAtomicFile: writes a file's new content without ever leaving a half-written
// file behind.
//
// Open creates a temporary file beside the target (same folder, so the final
// rename stays on one file system) and the writer streams into it through the
// ordinary IFFile operations. Commit forces the data to the device, closes the
// temporary file and renames it over the target in one step. Every failure on
// the way (a write, the sync, the close, the rename) removes the temporary file,
// leaves the old target byte for byte as it was, and is reported.
//
// Close without Commit, Abort and the destructor all discard the new content, so
// a writer that gives up half way (or throws) changes nothing:
//
//     CAtomicFile file;
//     if (file.Open(path, "wb", 0x20) != 0) return false;
//     ... file.Write(...) ...
//     return file.Commit() == 0;
//
// The new file keeps the old target's permission bits (a new target gets the
// usual 0666 less the umask, or no write permission with the read-only
// attribute). When the target is a symbolic link, the file it names is replaced
// and the link kept. The title and full path are the target's.
#include <cstdint>
#include <string>

#include "foundation/files/SFile.h"

class CAtomicFile : public CSFile {
public:
    CAtomicFile() = default;
    // Discards uncommitted content.
    ~CAtomicFile() override;

    // Only modes that start a new file ("w", "w+", with any "b" or "t") make
    // sense here; others give -1. A folder or a missing folder as the target gives 3.
    int32_t Open(const char* path, const char* mode, uint32_t attributes) override;
    // Discards the new content (as Abort) and returns 0; -2 when not open.
    int32_t Close() override;

    // Publishes the new content over the target. 0 on success; -2 when not open;
    // 4 when an earlier write failed or the sync, close or rename fails (the
    // target is then untouched). The object is closed afterwards either way.
    int32_t Commit();
    // Discards the new content and removes the temporary file; nothing when not open.
    void Abort() noexcept;

private:
    std::string m_temporaryPath;  // system path of the file being written
    std::string m_targetPath;     // system path it replaces on Commit
};
