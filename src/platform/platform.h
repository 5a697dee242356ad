// The thin layer over the operating system: clock, sleep, threads, a mutex,
// read-only file mapping and reading, large pages and screen clearing. Nothing else in the
// engine includes an operating-system header.
#pragma once

#include <cstddef>
#include <cstdint>

// Wall clock in milliseconds (monotonic).
uint64_t nowMs();

// Threads. threadCreate returns false when the system refuses a new thread.
// Zero-initialised (a static record needs no constructor to run before main).
struct ThreadHandle {
    unsigned long id;
    bool running;
};
using ThreadFunction = void* (*)(void*);
bool threadCreate(ThreadHandle& handle, ThreadFunction function, void* argument);
void threadJoin(ThreadHandle& handle);

// A process-wide mutex usable from plain records (no constructor needed).
struct Mutex {
    alignas(64) unsigned char storage[64];
};
void mutexInit(Mutex& m);
void mutexLock(Mutex& m);
void mutexUnlock(Mutex& m);

// Read-only mapping of a whole file. Returns nullptr (and size 0) on any failure,
// including an empty file or a path that is not a regular file.
const void* mapFile(const char* path, size_t& size);
void unmapFile(const void* data, size_t size);

// Whether a path names a readable regular file.
bool isRegularFile(const char* path);

// A regular file opened for reading parts of it at given offsets (for files
// read a few records at a time, such as opening books). Zero-initialised
// means closed.
struct ReadFile {
    int descriptor;
    bool open;
    uint64_t size;  // in bytes, as found when it was opened
};
// Opens a regular file for reading. On failure returns false and sets error
// to the system's error number (a path that is not a regular file gives the
// number for "is a directory" or "no such device"); never waits for a writer
// (a named pipe is refused, not opened).
bool openReadFile(ReadFile& file, const char* path, int& error);
// Reads exactly `bytes` bytes at `offset`; false when the file holds fewer.
bool readFileAt(const ReadFile& file, uint64_t offset, void* buffer, size_t bytes);
void closeReadFile(ReadFile& file);
// The system's message for an error number (as perror prints it).
const char* systemErrorText(int error);

// Large pages. largePageSizeBytes is the system's huge page size (0 when none).
// allocLargePages tries explicit huge pages first, then an aligned block advised
// for transparent huge pages; `huge` tells which one was obtained.
size_t largePageSizeBytes();
void* allocLargePages(size_t bytes, bool& explicitHuge);
void freeLargePages(void* p, size_t bytes, bool explicitHuge);

// A zero-filled block for a hash table: cache-line aligned, and from 2 MiB
// up mapped at a 2 MiB boundary and advised for transparent huge pages, so
// that random probes over it need far fewer address translations (such a
// block is zeroed by the system as it is first touched). freeTable releases
// it, given the same byte count (null is fine). Returns nullptr when the
// memory is refused.
void* allocTable(size_t bytes);
void freeTable(void* p, size_t bytes);

// Clears the terminal (ANSI sequence; harmless when output is not a terminal).
void clearScreen();

// Whether standard output is a terminal (screen clearing and progress bars
// only make sense there).
bool outputIsTerminal();
