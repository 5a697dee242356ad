// Runs the real engine binary through pipes, in a fresh temporary directory with
// its own Ardentis.ini, for protocol-level tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

// Small tables so that a test engine starts in milliseconds.
extern const char* const SMALL_INI;

struct EngineProcess {
    int pid = -1;
    int toEngine = -1;
    int fromEngine = -1;
    std::string directory;
    std::string output;  // everything read so far
    // Set before start: the words after the program name, and files (name,
    // content) written into the temporary directory.
    std::vector<std::string> arguments;
    std::vector<std::pair<std::string, std::string>> files;

    // Starts the engine in a new temporary directory. `ini` is written as
    // Ardentis.ini unless it is null; with iniFolder a folder of that name is
    // made instead. The engine's HOME and XDG_CONFIG_HOME point into the
    // temporary directory, so a developer's own settings never leak into a
    // test; `xdgIni`, when given, is written there as ardentis/Ardentis.ini.
    // Returns false when the process cannot start.
    bool start(const char* ini = SMALL_INI, bool iniFolder = false, const char* xdgIni = nullptr);
    void send(const std::string& text);  // written as is (add '\n' yourself)
    void closeInput();
    // Reads until the output contains `text` after position `from` (or the
    // timeout passes, or the engine closes its output). Returns whether found.
    bool waitFor(const std::string& text, int timeoutMs = 10000, size_t from = 0);
    // Waits for the process to end; returns the exit status, or -1 on a timeout
    // (the process is then killed) or on death by a signal.
    int wait(int timeoutMs = 10000);
    ~EngineProcess();
};

struct EngineRun {
    std::string output;
    int status;
};

// Starts the engine, writes all of `input`, closes its input and waits for the end.
EngineRun runEngine(const std::string& input, const char* ini = SMALL_INI, int timeoutMs = 20000);

// The banner and prompt the engine prints before it reads its first line.
std::string startupText(int threads);
