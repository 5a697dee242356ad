// Console sessions through the real binary: the commands are sent after
// "console", then quit, and the output is cut into one reply per command.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/text.h"

struct ConsoleRun {
    std::string output;
    std::vector<std::string> replies;  // replies[i]: printed after the i-th command's prompt
    int status;
};

inline const std::string CONSOLE_PROMPT = "\nArdentis> ";

// The text between the n-th prompt (0 = the first, before the first command)
// and the next one; "<no prompt>" when there are fewer prompts.
inline std::string consoleReply(const std::string& output, int n)
{
    size_t p = output.find(CONSOLE_PROMPT);
    for (int i = 0; i < n && p != std::string::npos; ++i)
        p = output.find(CONSOLE_PROMPT, p + 1);
    if (p == std::string::npos)
        return "<no prompt>";
    p += CONSOLE_PROMPT.size();
    size_t next = output.find(CONSOLE_PROMPT, p);
    return output.substr(p, next == std::string::npos ? std::string::npos : next - p);
}

// Runs the commands (one per line, each ending in '\n'); `prepare`, when
// given, runs first with the engine's working folder, to put files there.
inline ConsoleRun runConsole(const std::string& commands, const char* ini = SMALL_INI, int timeoutMs = 20000,
                             const std::function<void(const std::string& folder)>& prepare = nullptr)
{
    ConsoleRun run;
    EngineProcess engine;
    if (!engine.start(ini)) {
        run.status = -2;
        return run;
    }
    if (prepare)
        prepare(engine.directory);
    engine.send("console\n" + commands + "quit\n");
    engine.closeInput();
    run.status = engine.wait(timeoutMs);
    run.output = engine.output;
    int lines = 0;
    for (char c : commands)
        lines += c == '\n';
    for (int i = 0; i < lines; ++i)
        run.replies.push_back(consoleReply(run.output, i));
    return run;
}

// One reply to check: the reply to command number `reply`, whole or a part of it.
struct ReplyCheck {
    int reply;
    std::string text;
    bool whole = true;
};

// Runs the commands (and quit) and checks the replies; returns the run.
inline ConsoleRun expectReplies(const std::string& commands, const std::vector<ReplyCheck>& checks,
                                const char* ini = SMALL_INI)
{
    ConsoleRun run = runConsole(commands, ini, 60000);
    EXPECT_EQ(run.status, 0) << commands;
    for (const ReplyCheck& c : checks) {
        const std::string& reply = run.replies.at(size_t(c.reply));
        if (c.whole)
            EXPECT_EQ(reply, c.text) << commands << "reply " << c.reply;
        else
            EXPECT_NE(reply.find(c.text), std::string::npos) << commands << "reply " << c.reply << ":\n" << reply;
    }
    return run;
}
