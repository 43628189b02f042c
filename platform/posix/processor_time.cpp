#include "platform/processor_time.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

std::optional<double> IdleProcessorSeconds() {
    // The first line of /proc/stat: "cpu  user nice system idle iowait ...",
    // in clock ticks.
    int fd = open("/proc/stat", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    char line[256];
    ssize_t n = read(fd, line, sizeof line - 1);
    close(fd);
    if (n <= 0) return std::nullopt;
    line[n] = '\0';
    unsigned long long user, nice, system, idle, iowait;
    if (std::sscanf(line, "cpu %llu %llu %llu %llu %llu", &user, &nice, &system, &idle, &iowait) !=
        5) {
        return std::nullopt;
    }
    long ticks = sysconf(_SC_CLK_TCK);
    if (ticks <= 0) return std::nullopt;
    return static_cast<double>(idle + iowait) / static_cast<double>(ticks);
}

double ThreadProcessorSeconds() {
    struct timespec used {};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used) != 0) return 0;
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) * 1e-9;
}
