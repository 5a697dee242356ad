// Shared set-up for unit tests: the one-time tables of start-up, and the path
// of the shared data files.
#pragma once

#include <string>

void initEngineTables();

inline std::string sharedPath(const std::string& relative)
{
    return std::string(ARDENTIS_SHARED_DIR) + "/" + relative;
}
