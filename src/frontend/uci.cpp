#include "frontend/uci.h"

#include "frontend/input.h"

// Until the UCI commands exist the loop only knows how to end.
int uciLoop()
{
    char line[INPUT_LINE_CAPACITY];
    for (;;) {
        LineStatus status = readInputLine(line, sizeof line);
        if (status == LineStatus::End || (status == LineStatus::Ok && line[0] == 'q'))
            return 1;
    }
}
