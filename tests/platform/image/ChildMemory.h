#pragma once
// Runs a step in a forked child and reports how far it raised the child's
// peak of mapped memory (VmPeak), so a test sees a large allocation even when
// the memory was never touched. The child may map at most 1.5 GB more than it
// started with: enough for a gigapixel-sized block to show in the figure, and
// a bound on what a regression can take from the machine.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace testsupport {

// A "VmPeak:" or "VmSize:" figure of this process, in KiB; -1 when unreadable.
inline int64_t ProcessStatusKb(const char* key) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr) return -1;
    char line[256];
    int64_t value = -1;
    const size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strncmp(line, key, keyLength) == 0) {
            long long kb = -1;
            if (std::sscanf(line + keyLength, " %lld", &kb) == 1) value = kb;
            break;
        }
    }
    std::fclose(f);
    return value;
}

struct ChildOutcome {
    bool finished = false;   // the child ran the step and reported
    bool result = false;     // what the step returned
    int64_t peakGrowthKb = 0;
};

template <class Step>
ChildOutcome RunInChild(Step step) {
    ChildOutcome outcome;
    int fds[2];
    if (pipe(fds) != 0) return outcome;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const int64_t size = ProcessStatusKb("VmSize:");
        rlimit limit;
        limit.rlim_cur = limit.rlim_max = rlim_t(size + 1536 * 1024) * 1024;
        if (size > 0) setrlimit(RLIMIT_AS, &limit);
        const int64_t before = ProcessStatusKb("VmPeak:");
        const bool result = step();
        const int64_t report[2] = {result ? 1 : 0, ProcessStatusKb("VmPeak:") - before};
        const ssize_t written = write(fds[1], report, sizeof report);
        _exit(written == ssize_t(sizeof report) ? 0 : 1);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return outcome;
    }
    int64_t report[2] = {0, 0};
    const bool got = read(fds[0], report, sizeof report) == ssize_t(sizeof report);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.finished = got && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    outcome.result = report[0] != 0;
    outcome.peakGrowthKb = report[1];
    return outcome;
}

}  // namespace testsupport
