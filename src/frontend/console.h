// The console protocol loop. Returns 1 when it ends on its quit command.
#pragma once

#include <cstdint>

struct Session;

int consoleLoop(Session& session);
