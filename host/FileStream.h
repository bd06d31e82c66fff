#pragma once
// IFFile2IStreamAdapter: a stream over an open file of the system's file
// interface, with the stream protocol's result codes. The asset loader reads
// an image file through it into memory for the image decoder.
//
// The adapter does not own the file. It lives on its user's stack: Release
// only counts and never deletes. The status codes of the file (IFFile's
// m_status after a call) map onto the stream results as below; a file that is
// missing (null) answers S_FALSE to the queries and STG_E_CANTSAVE to Write.
#include <cstdint>

class IFFile;

// Stream results (the values of the system's stream interface).
using QRKStreamResult = int32_t;
namespace qrkstream {
constexpr QRKStreamResult kOk = 0;                                          // S_OK
constexpr QRKStreamResult kFalse = 1;                                       // S_FALSE
constexpr QRKStreamResult kNotImplemented = int32_t(0x80004001u);           // E_NOTIMPL
constexpr QRKStreamResult kInvalidFunction = int32_t(0x80030001u);          // STG_E_INVALIDFUNCTION
constexpr QRKStreamResult kAccessDenied = int32_t(0x80030005u);             // STG_E_ACCESSDENIED
constexpr QRKStreamResult kInvalidPointer = int32_t(0x80030009u);           // STG_E_INVALIDPOINTER
constexpr QRKStreamResult kInvalidFlag = int32_t(0x800300FFu);              // STG_E_INVALIDFLAG
constexpr QRKStreamResult kCannotSave = int32_t(0x80030103u);               // STG_E_CANTSAVE

// Seek origins.
constexpr uint32_t kSeekSet = 0;
constexpr uint32_t kSeekCurrent = 1;
constexpr uint32_t kSeekEnd = 2;

// Stat flag: no name is returned (the only flag the adapter accepts).
constexpr uint32_t kStatNoName = 1;
// Stat type: a stream.
constexpr uint32_t kTypeStream = 2;
}  // namespace qrkstream

// What Stat reports: no name, the type and the size; the rest stays 0.
struct QRKStreamStat {
    const char16_t* name = nullptr;
    uint32_t type = 0;
    uint64_t size = 0;
    uint32_t mode = 0;
    uint32_t locksSupported = 0;
    uint32_t stateBits = 0;
};

class IFFile2IStreamAdapter {
public:
    // `file` may be null; it must outlive the adapter.
    explicit IFFile2IStreamAdapter(IFFile* file) noexcept : m_file(file) {}
    IFFile2IStreamAdapter(const IFFile2IStreamAdapter&) = delete;
    IFFile2IStreamAdapter& operator=(const IFFile2IStreamAdapter&) = delete;
    virtual ~IFFile2IStreamAdapter() = default;

    // The count after the change; Release never deletes.
    uint32_t AddRef() noexcept;
    uint32_t Release() noexcept;
    int32_t GetRefCount() const noexcept { return m_refs; }

    // `read` (may be null) receives the bytes read: S_OK with the count, also
    // 0 at the end; S_FALSE after a read failure (status 4) or without a file;
    // STG_E_ACCESSDENIED when the file is not open for reading (status 5).
    QRKStreamResult Read(void* buffer, uint32_t size, uint32_t* read);
    // `written` (may be null) receives size on S_OK, else 0. A write the file
    // refuses for any reason is never reported as done: status 5 gives
    // STG_E_ACCESSDENIED, every other failure STG_E_CANTSAVE.
    QRKStreamResult Write(const void* buffer, uint32_t size, uint32_t* written);
    // Moves to set/current/end + move; `position` (may be null) receives the
    // new position on S_OK, else 0. A target that does not fit 64 bits, a
    // failing query or a refused position (before the start) give S_FALSE.
    QRKStreamResult Seek(int64_t move, uint32_t origin, uint64_t* position);
    // The size, with `flag` kStatNoName only.
    QRKStreamResult Stat(QRKStreamStat* stat, uint32_t flag);

    // Not supported by the adapter.
    QRKStreamResult SetSize(uint64_t) noexcept { return qrkstream::kNotImplemented; }
    QRKStreamResult Commit(uint32_t) noexcept { return qrkstream::kNotImplemented; }
    QRKStreamResult Revert() noexcept { return qrkstream::kNotImplemented; }
    QRKStreamResult Clone(IFFile2IStreamAdapter**) noexcept { return qrkstream::kNotImplemented; }

private:
    IFFile* m_file;
    int32_t m_refs = 0;
};
