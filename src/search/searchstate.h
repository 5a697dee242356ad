// Process-wide search state that outlives a single search.
#pragma once

#include <atomic>
#include <cstdint>

// Search counter: advanced by every search, reset by a new game; ages TT entries.
extern uint8_t hashAge;

// Stop flags, polled at every node by every search thread and raised by the
// timer, the input monitor or the first thread to finish an iteration. Relaxed
// loads are enough: a node that sees a raise one node late only wastes a node.
extern std::atomic<uint32_t> stopSearch;
extern std::atomic<uint32_t> abortIteration;

// Beta cut-offs made by a move, and those made by the first move searched at
// the node, summed over all threads and searches (move-ordering statistics).
// Threads count in their own record and add to these once per root move.
extern std::atomic<uint64_t> failHighs;
extern std::atomic<uint64_t> firstFailHighs;

inline bool searchStopped()
{
    return stopSearch.load(std::memory_order_relaxed) | abortIteration.load(std::memory_order_relaxed);
}

// The check at the top of every node, before it is counted: true when the
// node must return at once. A thread whose count reached its share of a node
// limit (0: none) raises both flags, so that every thread stops.
inline bool nodeMustStop(uint64_t nodes, uint64_t nodeLimit)
{
    if (stopSearch.load(std::memory_order_relaxed) || (nodeLimit && nodes >= nodeLimit)) {
        stopSearch.store(1, std::memory_order_relaxed);
        abortIteration.store(1, std::memory_order_relaxed);
        return true;
    }
    return abortIteration.load(std::memory_order_relaxed) != 0;
}

// Clears killers, history and counter-moves of the front end's record and of
// every search thread's record, and resets hashAge (a new game).
void clearSearchState();
