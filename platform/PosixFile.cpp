#include "platform/PosixFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// The largest transfer Linux performs in one call.
constexpr uint32_t kMaxTransfer = 0x7FFFF000u;

bool IsUsableKind(mode_t mode) {
    return S_ISREG(mode) || S_ISCHR(mode) || S_ISBLK(mode);
}

// Takes the advisory lock that stands for the old sharing modes. A lock held by
// another opener refuses; a file system without locks is used unlocked.
bool TakeSharingLock(int fd, bool shared) {
    for (;;) {
        if (flock(fd, (shared ? LOCK_SH : LOCK_EX) | LOCK_NB) == 0) {
            return true;
        }
        if (errno == EINTR) {
            continue;
        }
        return errno != EWOULDBLOCK;
    }
}

timespec ToTimespec(const FileTimestamp* stamp) {
    timespec result{};
    if (stamp == nullptr) {
        result.tv_nsec = UTIME_OMIT;
    } else {
        result.tv_sec = static_cast<time_t>(stamp->seconds);
        result.tv_nsec = stamp->nanoseconds;
    }
    return result;
}

FileTimestamp FromStatx(const statx_timestamp& stamp) {
    FileTimestamp result;
    result.seconds = stamp.tv_sec;
    result.nanoseconds = static_cast<int32_t>(stamp.tv_nsec);
    return result;
}

}  // namespace

int OpenFile(const char* path, const FileOpenRequest& request) {
    if (path == nullptr || path[0] == '\0') {
        errno = ENOENT;
        return -1;
    }
    // Non-blocking only for the open itself, so that a FIFO cannot hang us
    // before we see what the path is.
    int flags = O_CLOEXEC | O_NONBLOCK | (request.write ? O_RDWR : O_RDONLY);
    if (request.disposition != FileDisposition::OpenExisting) {
        flags |= O_CREAT;
    }
    if (request.writeThrough) {
        flags |= O_DSYNC;
    }
    const mode_t createMode = request.createReadOnly ? 0444 : 0666;
    int fd;
    do {
        fd = open(path, flags, createMode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return -1;
    }
    struct stat info;
    // Devices (/dev/null ...) are shared freely; only regular files take the lock.
    bool usable = fstat(fd, &info) == 0 && IsUsableKind(info.st_mode) &&
                  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0 &&
                  (!S_ISREG(info.st_mode) || TakeSharingLock(fd, request.shareRead));
    // Emptying waits for the lock: a file held by another opener is refused
    // untouched, as the old sharing modes did.
    if (usable && request.disposition == FileDisposition::CreateAlways && S_ISREG(info.st_mode) &&
        info.st_size != 0) {
        usable = ftruncate(fd, 0) == 0;
    }
    if (!usable) {
        const int saved = errno;
        close(fd);
        errno = saved;
        return -1;
    }
    if (request.hint != FileAccessHint::None && S_ISREG(info.st_mode)) {
        posix_fadvise(fd, 0, 0,
                      request.hint == FileAccessHint::Sequential ? POSIX_FADV_SEQUENTIAL : POSIX_FADV_RANDOM);
    }
    return fd;
}

int CreateUniqueFile(const std::string& prefix, std::string& path) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string name = prefix + "XXXXXX";
    const size_t first = prefix.size();
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[6];
        if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
            // No entropy source: fall back to something that still differs per try.
            const uint64_t mix = static_cast<uint64_t>(getpid()) * 0x9E3779B97F4A7C15ull +
                                 static_cast<uint64_t>(attempt) * 0xBF58476D1CE4E5B9ull +
                                 reinterpret_cast<uintptr_t>(&name);
            for (int i = 0; i < 6; ++i) {
                random[i] = static_cast<unsigned char>(mix >> (8 * i));
            }
        }
        for (int i = 0; i < 6; ++i) {
            name[first + i] = kLetters[random[i] % (sizeof kLetters - 1)];
        }
        int fd;
        do {
            fd = open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0) {
            path = name;
            return fd;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    return -1;
}

int64_t ReadFile(int fd, void* buffer, uint32_t count) {
    auto* out = static_cast<unsigned char*>(buffer);
    uint32_t done = 0;
    while (done < count) {
        const uint32_t piece = count - done < kMaxTransfer ? count - done : kMaxTransfer;
        const ssize_t got = read(fd, out + done, piece);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<uint32_t>(got);
    }
    return done;
}

bool WriteFile(int fd, const void* buffer, uint32_t count) {
    const auto* in = static_cast<const unsigned char*>(buffer);
    uint32_t done = 0;
    while (done < count) {
        const uint32_t piece = count - done < kMaxTransfer ? count - done : kMaxTransfer;
        const ssize_t put = write(fd, in + done, piece);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (put == 0) {
            errno = ENOSPC;
            return false;
        }
        done += static_cast<uint32_t>(put);
    }
    return true;
}

bool SeekFile(int fd, int64_t position, int64_t& reported) {
    if (position < 0) {
        errno = EINVAL;
        return false;
    }
    const off_t at = lseek(fd, static_cast<off_t>(position), SEEK_SET);
    if (at < 0) {
        return false;
    }
    reported = at;
    return true;
}

bool GetFileSize(int fd, int64_t& size) {
    struct stat info;
    if (fstat(fd, &info) != 0) {
        return false;
    }
    size = info.st_size;
    return true;
}

bool TruncateFile(int fd, int64_t size) {
    if (size < 0) {
        errno = EINVAL;
        return false;
    }
    int result;
    do {
        result = ftruncate(fd, static_cast<off_t>(size));
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

bool TruncateAtPosition(int fd) {
    const off_t at = lseek(fd, 0, SEEK_CUR);
    return at >= 0 && TruncateFile(fd, at);
}

bool SyncFile(int fd) {
    int result;
    do {
        result = fsync(fd);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

bool CloseFile(int fd) {
    // Linux releases the descriptor even when close reports EINTR; never retry.
    return close(fd) == 0;
}

bool RemoveFile(const char* path) {
    return unlink(path) == 0;
}

bool RenameFile(const char* from, const char* to) {
    return rename(from, to) == 0;
}

bool SyncFolderOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    const std::string folder = slash == nullptr ? std::string(".")
                               : slash == path  ? std::string("/")
                                                : std::string(path, static_cast<size_t>(slash - path));
    int fd;
    do {
        fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return false;
    }
    const bool synced = SyncFile(fd);
    close(fd);
    return synced;
}

std::string ResolveLinks(const char* path) {
    struct stat info;
    if (lstat(path, &info) != 0 || !S_ISLNK(info.st_mode)) {
        return path;
    }
    char* resolved = realpath(path, nullptr);
    if (resolved == nullptr) {
        return path;
    }
    std::string result(resolved);
    free(resolved);
    return result;
}

bool IsFolder(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool GetFilePermissions(const char* path, uint32_t& permissions) {
    struct stat info;
    if (stat(path, &info) != 0) {
        return false;
    }
    permissions = info.st_mode & 07777;
    return true;
}

bool SetFilePermissions(int fd, uint32_t permissions) {
    return fchmod(fd, static_cast<mode_t>(permissions & 07777)) == 0;
}

bool GetFileTimes(int fd, FileTimes& times) {
    struct statx info;
    if (statx(fd, "", AT_EMPTY_PATH, STATX_ATIME | STATX_MTIME | STATX_BTIME, &info) != 0) {
        return false;
    }
    times.lastAccess = FromStatx(info.stx_atime);
    times.lastWrite = FromStatx(info.stx_mtime);
    times.creation = (info.stx_mask & STATX_BTIME) ? FromStatx(info.stx_btime) : times.lastWrite;
    return true;
}

bool SetFileTimes(const char* path, const FileTimestamp* lastAccess, const FileTimestamp* lastWrite) {
    const timespec stamps[2] = {ToTimespec(lastAccess), ToTimespec(lastWrite)};
    return utimensat(AT_FDCWD, path, stamps, 0) == 0;
}

}  // namespace platform
