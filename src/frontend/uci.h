// The UCI protocol loop. Returns 1 when it ends on "quit" (or end of input).
#pragma once

struct Session;

int uciLoop(Session& session);
