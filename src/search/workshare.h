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

// The best score a thread has found so far at a PV node it is still
// searching (mate scores aside), with its move and the node's depth: a lower
// bound of the node at that depth, which another thread in the same node
// takes over as its alpha. `check` is the key XOR `data`, so that a slot torn
// by two writers reads as empty; a slot taken over by another key only loses
// the hint.
struct PvBound {
    std::atomic<uint64_t> check;
    std::atomic<uint64_t> data;  // move bits 0-31, score 32-47, depth 48-55
};
constexpr uint64_t PV_BOUND_SLOTS = 1 << 12;

// The tables of one engine's search threads.
struct WorkShare {
    std::atomic<uint64_t> marks[WORK_MARK_SLOTS];
    PvBound pvBounds[PV_BOUND_SLOTS];
};

inline std::atomic<uint64_t>& workMarkSlot(WorkShare& w, uint64_t key)
{
    return w.marks[(key >> 20) & (WORK_MARK_SLOTS - 1)];
}

// Another thread is searching this position now.
inline bool takenElsewhere(WorkShare& w, uint64_t key)
{
    return workMarkSlot(w, key).load(std::memory_order_relaxed) == key;
}

inline void markTaken(WorkShare& w, uint64_t key) { workMarkSlot(w, key).store(key, std::memory_order_relaxed); }

// Clears the mark unless another thread's key took the slot meanwhile.
inline void releaseTaken(WorkShare& w, uint64_t key)
{
    uint64_t mine = key;
    workMarkSlot(w, key).compare_exchange_strong(mine, 0, std::memory_order_relaxed);
}

inline PvBound& pvBoundSlot(WorkShare& w, uint64_t key) { return w.pvBounds[(key >> 20) & (PV_BOUND_SLOTS - 1)]; }
inline int pvBoundScore(uint64_t data) { return int16_t(uint16_t(data >> 32)); }
inline int pvBoundDepth(uint64_t data) { return int(data >> 48); }

// The data word of the position's slot; false when the slot holds another
// position or is torn.
inline bool heldPvBound(WorkShare& w, uint64_t key, uint64_t& data)
{
    PvBound& slot = pvBoundSlot(w, key);
    data = slot.data.load(std::memory_order_relaxed);
    return (slot.check.load(std::memory_order_relaxed) ^ data) == key;
}

// Publishes a bound unless the slot holds an equal or better one of the same
// position (at the same depth or deeper): a thread behind the other must not
// take back what that one has proved.
inline void publishPvBound(WorkShare& w, uint64_t key, uint32_t move, int score, int depth)
{
    uint64_t held;
    if (heldPvBound(w, key, held) && pvBoundDepth(held) >= depth && pvBoundScore(held) >= score)
        return;
    const uint64_t data = uint64_t(move) | uint64_t(uint16_t(score)) << 32 | uint64_t(uint8_t(depth)) << 48;
    PvBound& slot = pvBoundSlot(w, key);
    slot.data.store(data, std::memory_order_relaxed);
    slot.check.store(key ^ data, std::memory_order_relaxed);
}

// The bound another thread published for this position at this depth or
// deeper; false when there is none.
inline bool readPvBound(WorkShare& w, uint64_t key, int depth, uint32_t& move, int& score)
{
    uint64_t data;
    if (!heldPvBound(w, key, data) || pvBoundDepth(data) < depth)
        return false;
    move = uint32_t(data);
    score = pvBoundScore(data);
    return true;
}

// Empties the marks and the PV bounds (at the start of a threaded search).
inline void clearWorkShare(WorkShare& w)
{
    for (std::atomic<uint64_t>& slot : w.marks)
        slot.store(0, std::memory_order_relaxed);
    for (PvBound& slot : w.pvBounds) {
        slot.check.store(0, std::memory_order_relaxed);
        slot.data.store(0, std::memory_order_relaxed);
    }
}
