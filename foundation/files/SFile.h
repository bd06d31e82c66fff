#pragma once
// CSFile: the plain file. Every operation goes straight to the system on one
// descriptor, with no buffering of its own: each Read and Write is one transfer,
// so callers read and write whole files or large blocks.
//
// Positions beyond the end are accepted (a Write there extends the file); a
// negative position is refused by the system and reported as -2. Flush has
// nothing to do, since writes are never held back.
#include <cstdint>

#include "foundation/files/IFFile.h"

class CSFile : public IFFile {
public:
    CSFile() = default;
    // Closes the file.
    ~CSFile() override;

    int32_t SetBufferSize(uint32_t bytes) override;
    int32_t Open(const char* path, const char* mode, uint32_t attributes) override;
    int32_t Close() override;
    uint32_t Read(void* buffer, uint32_t count) override;
    int32_t Write(const void* buffer, uint32_t count) override;
    int32_t Seek(int32_t offset, int32_t origin) override;
    int32_t SetPosition(const int64_t& position) override;
    int32_t GetPosition(int64_t& position) override;
    int32_t GetSize(int64_t& size) override;
    int32_t SetSize(const int64_t& size) override;
    int32_t Flush() override;
    int32_t SetOptions(bool exactReads, bool writeThrough) override;

protected:
    // Takes an open descriptor as this object's file (the object must be closed),
    // with the names and flags of the plan, at position 0 of an empty file.
    void AdoptDescriptor(int fd, OpenPlan& plan) noexcept;

    // Releases the descriptor and returns to the closed state; false when the
    // system reported a failure on closing (the descriptor is released anyway).
    bool ReleaseDescriptor() noexcept;

    int m_handle = -1;
    int64_t m_position = 0;
    int64_t m_size = 0;
};
