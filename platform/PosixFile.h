#pragma once
// Our thin layer over POSIX files: the few system calls the file classes need,
// with the Windows-shaped guarantees they were designed around.
//
// - Paths are UTF-8 file-system paths (the file classes convert their code-page-932
//   paths first). Descriptors are plain ints, -1 meaning none.
// - ReadFile and WriteFile transfer the whole count unless the file ends or the
//   system fails: a short transfer or an interrupted call is continued here, so a
//   caller sees one ReadFile/WriteFile as the old interface behaved.
// - Sharing: the old interface let a reader share a file only with other readers
//   and gave a writer the file to itself. POSIX has no such modes; OpenFile takes
//   an advisory flock on regular files instead (shared for a reader, exclusive
//   otherwise), so two of our own file objects conflict the way they used to,
//   while other programs are not affected. A file system that cannot lock is
//   used without the lock; devices are never locked.
#include <cstdint>
#include <string>

namespace platform {

enum class FileDisposition : uint8_t {
    OpenExisting,  // fails when the file does not exist
    CreateAlways,  // creates, or empties an existing file
    OpenAlways,    // opens, creating the file when it does not exist
};

enum class FileAccessHint : uint8_t { None, Sequential, Random };

struct FileOpenRequest {
    bool write = false;  // read and write access; otherwise read only
    FileDisposition disposition = FileDisposition::OpenExisting;
    bool shareRead = false;             // shared lock instead of an exclusive one
    bool createReadOnly = false;        // a file this call creates gets no write permission
    bool writeThrough = false;          // each write reaches the device before it returns
    FileAccessHint hint = FileAccessHint::None;
};

// Opens `path` as asked. Only regular files and devices are opened; folders,
// FIFOs and sockets are refused (opening a FIFO would block the caller).
// Returns the descriptor, or -1 when the system or the lock refuses.
int OpenFile(const char* path, const FileOpenRequest& request);

// Creates a new file that did not exist, for reading and writing, with the
// permissions a newly created file gets (0666 less the umask). Tries names made of
// `prefix` and six random letters and digits; returns the descriptor and stores
// the name in `path`, or -1 when no name could be created.
int CreateUniqueFile(const std::string& prefix, std::string& path);

// Reads up to `count` bytes at the descriptor's position; fewer only at the end of
// the file. Returns the count read, or -1 on failure.
int64_t ReadFile(int fd, void* buffer, uint32_t count);

// Writes all `count` bytes at the descriptor's position; false when the system
// refused or wrote fewer bytes (the file may then hold part of them).
bool WriteFile(int fd, const void* buffer, uint32_t count);

// Moves the descriptor to `position` from the start and stores where it stands.
// A negative position is refused.
bool SeekFile(int fd, int64_t position, int64_t& reported);

bool GetFileSize(int fd, int64_t& size);

// Cuts or extends the file to `size` bytes (new bytes read as zeros).
bool TruncateFile(int fd, int64_t size);

// Ends the file at the descriptor's current position.
bool TruncateAtPosition(int fd);

// Forces the file's data and size to the device.
bool SyncFile(int fd);

// Closes the descriptor. The descriptor is released even when this reports a
// failure (Linux never keeps it), so it must not be closed or used again.
bool CloseFile(int fd);

bool RemoveFile(const char* path);

// Replaces `to` by `from` in one step (both on the same file system).
bool RenameFile(const char* from, const char* to);

// Forces the folder entry changes of the folder holding `path` to the device.
bool SyncFolderOf(const char* path);

// When `path` is a symbolic link, the path of the file it finally names;
// otherwise (or when the link cannot be resolved) the path unchanged.
std::string ResolveLinks(const char* path);

// Whether `path` names a folder (following symbolic links).
bool IsFolder(const char* path);

// Permission bits (07777) of an existing file; false when there is no such file.
bool GetFilePermissions(const char* path, uint32_t& permissions);
bool SetFilePermissions(int fd, uint32_t permissions);

struct FileTimestamp {
    int64_t seconds = 0;      // since 1970-01-01 00:00 UTC
    int32_t nanoseconds = 0;  // 0 .. 999999999
};

struct FileTimes {
    FileTimestamp creation;  // birth time where the file system records it, else the last write
    FileTimestamp lastAccess;
    FileTimestamp lastWrite;
};

bool GetFileTimes(int fd, FileTimes& times);

// Stamps the file's access and write times; a null pointer leaves that time.
bool SetFileTimes(const char* path, const FileTimestamp* lastAccess, const FileTimestamp* lastWrite);

}  // namespace platform
