// A UCI session with the real binary for tests that send commands and read
// the reply up to a known line.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/engine_process.h"

// A UCI engine that has answered "uci"; `run` sends commands and waits for a
// text that ends their reply.
struct UciEngine {
    EngineProcess engine;
    explicit UciEngine(const char* ini = SMALL_INI)
    {
        EXPECT_TRUE(engine.start(ini));
        engine.send("uci\n");
        EXPECT_TRUE(engine.waitFor("uciok\n"));
    }
    // The output of the commands, up to and including the line with `until`.
    std::string run(const std::string& commands, const std::string& until)
    {
        const size_t from = engine.output.size();
        engine.send(commands);
        EXPECT_TRUE(engine.waitFor(until, 30000, from)) << commands;
        const size_t end = engine.output.find('\n', engine.output.find(until, from));
        return engine.output.substr(from, end == std::string::npos ? std::string::npos : end + 1 - from);
    }
    ~UciEngine()
    {
        engine.send("quit\n");
        EXPECT_EQ(engine.wait(20000), 0);
    }
};
