// A line sink for unit tests: what a layer sends to it is collected in a
// string instead of printed.
#pragma once

#include <string>

#include "platform/linesink.h"

// Collects the text a layer sends to its line sink (what the front end would
// print).
struct SentText {
    std::string text;
    LineSink sink() { return LineSink{append, this}; }
    // The text collected so far, and a fresh start.
    std::string take()
    {
        std::string t;
        t.swap(text);
        return t;
    }
    static void append(void* context, const char* t) { static_cast<SentText*>(context)->text += t; }
};
