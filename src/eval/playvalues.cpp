// The default evaluation's fitted values (none yet: the defaults stand).
#include "eval/playvalues.h"

constinit const std::span<const PlayValue> PLAY_VALUES{};
