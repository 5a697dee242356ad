// The Syzygy tables of the test data and their test positions, for the unit
// tests of the probes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "sent_text.h"
#include "support/unit.h"
#include "tablebase/tbregistry.h"

inline std::string tablesDir() { return testDataPath("syzygy"); }

// What the registries of the tests report (tables found, files that cannot
// be used).
inline SentText tbReported;

// Registers the tables of the folders in tb, which reports to tbReported from
// now on; what it reported.
inline std::string initTables(Tablebases& tb, const std::string& dtz, const std::string& wdl)
{
    tb.messages = tbReported.sink();
    tbReported.take();
    initTablebases(tb, dtz.c_str(), wdl.c_str());
    return tbReported.take();
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
