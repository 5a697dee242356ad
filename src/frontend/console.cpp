#include "frontend/console.h"

#include <cstring>

#include "frontend/input.h"

// Until the console commands exist the loop only knows how to end.
int consoleLoop()
{
    char line[INPUT_LINE_CAPACITY];
    for (;;) {
        LineStatus status = readInputLine(line, sizeof line);
        if (status == LineStatus::End || (status == LineStatus::Ok && std::strcmp(line, "quit") == 0))
            return 1;
    }
}
