// The Syzygy tables of the test data and their test positions, for the unit
// tests of the probes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/unit.h"
#include "tablebase/tbregistry.h"

inline std::string tablesDir() { return testDataPath("syzygy"); }

// Registers the tables of the folders; what it printed.
inline std::string initTables(const std::string& dtz, const std::string& wdl)
{
    return printed([&] { initTablebases(dtz.c_str(), wdl.c_str()); });
}

// A test position with the values an independent reader gives it.
struct TbExpected {
    std::string fen;
    int dtz;
    int wdl;
};

// The positions of one file of a syzygy-tests folder ("FEN,DTZ,WDL" lines).
inline std::vector<TbExpected> readTbExpected(const std::string& path)
{
    std::vector<TbExpected> out;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const size_t b = line.rfind(','), a = line.rfind(',', b - 1);
        out.push_back({line.substr(0, a), std::stoi(line.substr(a + 1, b - a - 1)), std::stoi(line.substr(b + 1))});
    }
    return out;
}

// The positions of the named tables of tests/data/syzygy-tests.
inline std::vector<TbExpected> tbTestPositions(std::initializer_list<const char*> tables)
{
    std::vector<TbExpected> all;
    for (const char* table : tables)
        for (const TbExpected& e : readTbExpected(testDataPath(std::string("syzygy-tests/") + table + ".csv")))
            all.push_back(e);
    return all;
}
