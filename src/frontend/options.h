// The UCI options: one table declares each option (name, type, default,
// range, what a change does); the "uci" reply, "setoption" and its range
// checks all come from it. Ardentis.ini stays the source of the start-up
// values; an option changes the setting for the rest of the session.
#pragma once

#include <cstdint>

struct Session;

enum class OptionType : uint8_t { Check, Spin, Button, String };

struct UciOption {
    const char* name;
    OptionType type;
    int low, high;  // the range of a spin
    // The default the "uci" reply announces (for a check 0 or 1; the INI's
    // value where the option stands for an INI setting).
    int (*announced)(const Session& session);
    const char* (*announcedText)(const Session& session);  // a string's default; null otherwise
    // Applies a checked value (text for a string, nothing for a button).
    // Called between searches only: the UCI loop reads "setoption" then.
    void (*change)(Session& session, int value, const char* text);
};

// Prints one "option name ..." line per table row, in table order.
void printUciOptions(const Session& session);

// Handles a "setoption name <name> [value <value>]" line: unknown names,
// values of the wrong type and values out of range are reported in an
// "info string" line (a value out of range is clamped, one of the wrong type
// ignored).
void setOption(Session& session, const char* line);
