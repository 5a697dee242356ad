// Sending text through a line sink.
#include "platform/linesink.h"

#include <cstdarg>
#include <cstdio>

void sendText(const LineSink& sink, const char* text)
{
    if (sink.write)
        sink.write(sink.context, text);
}

void sendFormatted(const LineSink& sink, const char* format, ...)
{
    if (!sink.write)
        return;
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    sink.write(sink.context, text);
}
