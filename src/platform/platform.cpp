// Linux implementation of the platform layer.
#include "platform/platform.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

uint64_t nowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec) / 1000000;
}

static_assert(sizeof(pthread_t) <= sizeof(unsigned long), "pthread_t must fit the handle");

bool threadCreate(ThreadHandle& handle, ThreadFunction function, void* argument)
{
    pthread_t t;
    if (pthread_create(&t, nullptr, function, argument) != 0)
        return false;
    handle.id = static_cast<unsigned long>(t);
    handle.running = true;
    return true;
}

void threadJoin(ThreadHandle& handle)
{
    if (!handle.running)
        return;
    pthread_join(static_cast<pthread_t>(handle.id), nullptr);
    handle.running = false;
}

static_assert(sizeof(pthread_mutex_t) <= sizeof(Mutex::storage), "mutex storage too small");

void mutexInit(Mutex& m) { new (m.storage) pthread_mutex_t(PTHREAD_MUTEX_INITIALIZER); }
void mutexLock(Mutex& m) { pthread_mutex_lock(reinterpret_cast<pthread_mutex_t*>(m.storage)); }
void mutexUnlock(Mutex& m) { pthread_mutex_unlock(reinterpret_cast<pthread_mutex_t*>(m.storage)); }

const void* mapFile(const char* path, size_t& size)
{
    size = 0;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
        close(fd);
        return nullptr;
    }
    void* data = mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_SHARED, fd, 0);
    close(fd);
    if (data == MAP_FAILED)
        return nullptr;
    size = size_t(st.st_size);
    return data;
}

void unmapFile(const void* data, size_t size)
{
    if (data)
        munmap(const_cast<void*>(data), size);
}

bool isRegularFile(const char* path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

bool openReadFile(ReadFile& file, const char* path, int& error)
{
    file = ReadFile{-1, false, 0};
    // O_NONBLOCK: opening a named pipe must not wait for a writer.
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = errno;
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        error = errno;
        close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : ENODEV;
        close(fd);
        return false;
    }
    file = ReadFile{fd, true, uint64_t(st.st_size)};
    error = 0;
    return true;
}

bool readFileAt(const ReadFile& file, uint64_t offset, void* buffer, size_t bytes)
{
    if (!file.open)
        return false;
    char* to = static_cast<char*>(buffer);
    while (bytes > 0) {
        ssize_t n = pread(file.descriptor, to, bytes, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;  // error, or the file ends early (it shrank since it was opened)
        to += n;
        offset += uint64_t(n);
        bytes -= size_t(n);
    }
    return true;
}

void closeReadFile(ReadFile& file)
{
    if (file.open)
        close(file.descriptor);
    file = ReadFile{-1, false, 0};
}

const char* systemErrorText(int error)
{
    return std::strerror(error);
}

size_t largePageSizeBytes()
{
    FILE* f = fopen("/proc/meminfo", "r");
    if (!f)
        return 0;
    char line[256];
    size_t kb = 0;
    while (fgets(line, sizeof line, f)) {
        unsigned long v;
        if (sscanf(line, "Hugepagesize: %lu kB", &v) == 1) {
            kb = v;
            break;
        }
    }
    fclose(f);
    return kb * 1024;
}

void* allocLargePages(size_t bytes, bool& explicitHuge)
{
    explicitHuge = false;
    if (bytes == 0)
        return nullptr;
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_HUGETLB, -1, 0);
    if (p != MAP_FAILED) {
        explicitHuge = true;
        return p;
    }
    const size_t align = 2 * 1024 * 1024;
    size_t rounded = (bytes + align - 1) / align * align;
    p = std::aligned_alloc(align, rounded);
    if (!p)
        return nullptr;
#ifdef MADV_HUGEPAGE
    madvise(p, rounded, MADV_HUGEPAGE);
#endif
    return p;
}

static constexpr size_t TABLE_HUGE_PAGE = 2 * 1024 * 1024;

void* allocTable(size_t bytes)
{
    if (bytes == 0 || bytes > SIZE_MAX / 2)
        return nullptr;
    if (bytes < TABLE_HUGE_PAGE) {
        const size_t rounded = (bytes + 63) / 64 * 64;
        void* p = std::aligned_alloc(64, rounded);
        if (p)
            std::memset(p, 0, rounded);
        return p;
    }
    // Map one huge page more than needed and trim both ends to a boundary.
    const size_t rounded = (bytes + TABLE_HUGE_PAGE - 1) / TABLE_HUGE_PAGE * TABLE_HUGE_PAGE;
    const size_t span = rounded + TABLE_HUGE_PAGE;
    void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    char* start = static_cast<char*>(raw);
    char* aligned = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(start) + TABLE_HUGE_PAGE - 1)
                                            & ~uintptr_t(TABLE_HUGE_PAGE - 1));
    if (aligned > start)
        munmap(start, size_t(aligned - start));
    char* end = aligned + rounded;
    if (start + span > end)
        munmap(end, size_t(start + span - end));
#ifdef MADV_HUGEPAGE
    madvise(aligned, rounded, MADV_HUGEPAGE);
#endif
    return aligned;
}

void freeTable(void* p, size_t bytes)
{
    if (!p)
        return;
    if (bytes < TABLE_HUGE_PAGE)
        std::free(p);
    else
        munmap(p, (bytes + TABLE_HUGE_PAGE - 1) / TABLE_HUGE_PAGE * TABLE_HUGE_PAGE);
}

void freeLargePages(void* p, size_t bytes, bool explicitHuge)
{
    if (!p)
        return;
    if (explicitHuge)
        munmap(p, bytes);
    else
        std::free(p);
}

void clearScreen()
{
    fputs("\033[2J\033[H", stdout);
    fflush(stdout);
}

bool outputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }
