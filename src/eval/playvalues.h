// The default evaluation's fitted values: the records whose playValue is not
// its group's default, as the last fit left them (see the README's Tuning).
#pragma once

#include <span>

struct PlayValue {
    const char* name;
    int value;
};

extern const std::span<const PlayValue> PLAY_VALUES;
