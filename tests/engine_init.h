// Shared set-up for unit tests: the one-time tables of start-up, and the paths
// of the test data files.
#pragma once

#include <string>

void initEngineTables();

// A file of tests/data.
inline std::string testDataPath(const std::string& relative)
{
    return std::string(ARDENTIS_TEST_DATA_DIR) + "/" + relative;
}

// The optional folder of 5-piece Syzygy tables (it may not exist).
inline std::string extendedSyzygyDir()
{
    return ARDENTIS_SYZYGY_EXTENDED_DIR;
}
