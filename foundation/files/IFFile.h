#pragma once
// IFFile: the one file interface of the system, with its status codes and mode
// flags. CSFile (SFile.h) goes straight to the system on every call; CFFile
// (FFile.h) buffers whole sectors in a ring. CAtomicFile (AtomicFile.h) writes a
// new file's content beside the target and replaces the target only on Commit.
//
// Every operation but Read returns a status code and most record it in
// m_status, which callers read after a short Read or a failed Write.
//
// An input/output failure (status 4) is sticky while the file is open: the
// operations that would touch the file report 4 at once, and no later operation
// (Flush, SetOptions, a refused Open or Seek ...) hides it by recording another
// code. Closing the file ends it.
//
// Paths are code-page-932 text that may carry escapes; they are made absolute and
// turned into UTF-8 with "/" separators just before the system sees them. The
// old sharing rule (a reader shares its file with other readers, any other mode
// keeps the file to itself) is kept among our own file objects with advisory
// locks; see platform/PosixFile.h.
#include <cstdint>
#include <string>

#include "foundation/strings/Str.h"
#include "platform/PosixFile.h"

class IFFile {
public:
    // Mode flags.
    enum : uint32_t {
        kOpen = 0x01,            // a handle is held
        kReadable = 0x02,        // Read is allowed
        kWritable = 0x04,        // Write and SetSize are allowed
        kWriteDirection = 0x08,  // the buffered file's ring holds data to be written
        kExactReads = 0x10,      // option: the buffered file reads only what is asked (rounded to sectors)
        kWriteThrough = 0x20,    // option: the buffered file writes its whole sectors after every Write
        kOptionFlags = kExactReads | kWriteThrough,
    };

    // Status codes.
    enum : int32_t {
        kOk = 0,
        kBadArgument = -1,
        kNotOpen = -2,
        kBufferResizeFailed = 1,
        kAlreadyOpen = 2,
        kOpenRefused = 3,
        kIoFailure = 4,
        kNotAllowed = 5,
        kOutOfRange = 6,
        kNotSupported = 7,
    };

    // Attribute bits the callers may pass to Open (Windows values); the others are dropped.
    enum : uint32_t {
        kAttributeReadOnly = 0x00000001,  // a file Open creates gets no write permission
        kAttributeHidden = 0x00000002,    // no meaning here
        kAttributeSystem = 0x00000004,    // no meaning here
        kAttributeArchive = 0x00000020,   // what every caller passes; no meaning here
        kAttributeNormal = 0x00000080,    // no meaning here
        kDeleteOnClose = 0x04000000,      // the plain file removes its file when it closes it
        kSequentialScan = 0x08000000,     // read-ahead hint
        kRandomAccess = 0x10000000,       // no-read-ahead hint
        kWriteThroughAttribute = 0x80000000,  // each write reaches the device before it returns
        kAttributeMask = 0x9C0000A7,
    };

    IFFile() = default;
    IFFile(const IFFile&) = delete;
    IFFile& operator=(const IFFile&) = delete;
    virtual ~IFFile() = default;

    virtual int32_t SetBufferSize(uint32_t bytes) = 0;
    // path: code-page-932 text that may carry escapes; mode: "r", "w", "a" with an
    // optional "+" (other letters such as "b" are ignored); attributes: see above.
    virtual int32_t Open(const char* path, const char* mode, uint32_t attributes) = 0;
    virtual int32_t Close() = 0;
    // Returns the number of bytes read; fewer than asked only at the end of the
    // file; 0 with the reason in m_status on failure.
    virtual uint32_t Read(void* buffer, uint32_t count) = 0;
    // 0 when every byte was written.
    virtual int32_t Write(const void* buffer, uint32_t count) = 0;
    // origin 0 from the start, 1 from the current position, 2 from the end.
    virtual int32_t Seek(int32_t offset, int32_t origin) = 0;
    virtual int32_t SetPosition(const int64_t& position) = 0;
    virtual int32_t GetPosition(int64_t& position) = 0;
    virtual int32_t GetSize(int64_t& size) = 0;
    virtual int32_t SetSize(const int64_t& size) = 0;
    virtual int32_t Flush() = 0;
    // Sets the two option flags; they survive Close and a later Open.
    virtual int32_t SetOptions(bool exactReads, bool writeThrough);

    uint32_t GetFlags() const noexcept { return m_flags; }
    bool IsOpen() const noexcept { return (m_flags & kOpen) != 0; }
    // File name without folder and extension; empty while closed.
    const CStr_base<64>& GetTitle() const noexcept { return m_title; }
    // Absolute code-page-932 path; empty while closed.
    const CStr_base<64>& GetFullPath() const noexcept { return m_fullPath; }

    // Result of the last operation that records one.
    int32_t m_status = kOk;

protected:
    // Records a status code, except over a sticky failure of the open file.
    int32_t Record(int32_t code) noexcept {
        if (m_status != kIoFailure || (m_flags & kOpen) == 0) {
            m_status = code;
        }
        return code;
    }

    // What an Open call asks for, once checked and made absolute.
    struct OpenPlan {
        CStr_base<64> fullPath;             // absolute, code page 932, escapes kept
        CStr_base<64> title;                // file name without folder and extension
        std::string systemPath;             // UTF-8 path for the system
        platform::FileOpenRequest request;  // how to open it
        uint32_t flags = 0;                 // mode flags after success (options not included)
        bool append = false;                // "a" and "a+": start at the end
        bool deleteOnClose = false;         // remove the file when it is closed
    };

    // Parses the mode and makes the path absolute; kOk or kBadArgument.
    static int32_t PlanOpen(const char* path, const char* mode, uint32_t attributes, OpenPlan& plan);

    // PlanOpen, then the system's open: kOk with fd the new descriptor, or the
    // failure (kBadArgument, kOpenRefused), recorded.
    int32_t OpenPlanned(const char* path, const char* mode, uint32_t attributes, OpenPlan& plan, int& fd);

    // The checks before an operation on the open file: kNotOpen while closed and
    // kNotAllowed when the mode lacks one of the `needed` flags (both recorded),
    // kIoFailure after a sticky failure; kOk when the operation may go on.
    int32_t CheckOperation(uint32_t needed) noexcept {
        if ((m_flags & kOpen) == 0) {
            m_status = kNotOpen;
            return kNotOpen;
        }
        if (m_status == kIoFailure) {
            return kIoFailure;
        }
        if ((m_flags & needed) != needed) {
            m_status = kNotAllowed;
            return kNotAllowed;
        }
        return kOk;
    }

    // The same for the queries (GetPosition, GetSize), which record nothing.
    int32_t CheckQuery() const noexcept {
        if ((m_flags & kOpen) == 0) {
            return kNotOpen;
        }
        return m_status == kIoFailure ? kIoFailure : kOk;
    }

    // Removes the file when it was opened with kDeleteOnClose; called by Close
    // after the descriptor is given back, while the full path is still known.
    void RemoveIfDeleteOnClose() noexcept;

    // Seek in terms of SetPosition; `recordedSize` is where origin 2 counts from.
    int32_t SeekFrom(int32_t offset, int32_t origin, int64_t recordedSize);

    // Takes the plan's names and flags (keeping the option flags) after a successful open.
    void Adopt(OpenPlan& plan) noexcept;

    // Forgets names and flags but the options.
    void Forget() noexcept;

    uint32_t m_flags = 0;
    bool m_deleteOnClose = false;
    CStr_base<64> m_title;
    CStr_base<64> m_fullPath;
};
