// A count of every operator new of the unit-test program, so that a test can
// show that a stretch of code allocates nothing. Defined once for the whole
// program (tests/unit/allocation_counter.cpp): a second replacement of the
// global operator new would not link.
#pragma once

#include <cstdint>

uint64_t allocationCount();
