// Where a layer below the front end sends the lines it has for the user
// (allocation messages, tablebase files that cannot be used, ...): the front
// end gives the function and its context and decides how the text is
// written. The layers themselves write nothing.
#pragma once

struct LineSink {
    void (*write)(void* context, const char* text);  // null: the text is dropped
    void* context;
};

// Sends text: one or more whole lines, each with its line end.
void sendText(const LineSink& sink, const char* text);

// The same with printf formatting (at most 1023 characters).
void sendFormatted(const LineSink& sink, const char* format, ...) __attribute__((format(printf, 2, 3)));
