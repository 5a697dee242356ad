// The front end's state for one run of the program: the engine it drives
// and what the protocol loops keep between commands. runEngine owns the one
// session and hands it to the loop it starts; nothing below the front end
// sees it.
#pragma once

#include "search/engine.h"

struct Session {
    Engine* engine;
};
