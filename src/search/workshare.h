// Work sharing between the search threads of one search. A thread searching
// a child at depth >= SHARED_MIN_DEPTH marks the child's key in a small
// table; a node that reaches a marked position by a later move leaves that
// move for the end of its list, when the other thread's result is usually in
// the hash table. A mark is a hint: a slot taken over by another key only
// costs a duplicated search. A single search thread never looks.
#pragma once

#include <atomic>
#include <cstdint>

constexpr int SHARED_MIN_DEPTH = 3;
constexpr uint64_t WORK_MARK_SLOTS = 1 << 14;

extern std::atomic<uint64_t> workMarks[WORK_MARK_SLOTS];

inline std::atomic<uint64_t>& workMarkSlot(uint64_t key) { return workMarks[(key >> 20) & (WORK_MARK_SLOTS - 1)]; }

// Another thread is searching this position now.
inline bool takenElsewhere(uint64_t key) { return workMarkSlot(key).load(std::memory_order_relaxed) == key; }

inline void markTaken(uint64_t key) { workMarkSlot(key).store(key, std::memory_order_relaxed); }

// Clears the mark unless another thread's key took the slot meanwhile.
inline void releaseTaken(uint64_t key)
{
    uint64_t mine = key;
    workMarkSlot(key).compare_exchange_strong(mine, 0, std::memory_order_relaxed);
}

void clearWorkMarks();
