// The console's self-tests: the perft suite ("bench") and the move-ordering
// test ("testmo").
#pragma once

#include <cstdint>

struct Session;

void perftTest(Session& session);
void moveOrderTest(Session& session);
