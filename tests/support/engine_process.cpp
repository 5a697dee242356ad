#include "support/engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

const char* const SMALL_INI =
    "[ENGINE]\nThread=1\nHashSize=1\nHashEvalSize=1\nHashQSize=1\n[BOOK]\nBook=0\n[TABLEBASE]\nSyzygy=0\n";

static long long nowMillis()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool EngineProcess::start(const char* ini, bool iniFolder, const char* xdgIni)
{
    signal(SIGPIPE, SIG_IGN);
    char dirTemplate[] = "/tmp/ardentis-test-XXXXXX";
    if (!mkdtemp(dirTemplate))
        return false;
    directory = dirTemplate;
    if (iniFolder)
        std::filesystem::create_directory(directory + "/Ardentis.ini");
    else if (ini)
        std::ofstream(directory + "/Ardentis.ini") << ini;
    for (const auto& [name, content] : files)
        std::ofstream(directory + "/" + name, std::ios::binary) << content;
    std::vector<char*> argv{const_cast<char*>(ARDENTIS_ENGINE)};
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string xdgHome = directory + "/xdg-config";
    if (xdgIni) {
        std::filesystem::create_directories(xdgHome + "/ardentis");
        std::ofstream(xdgHome + "/ardentis/Ardentis.ini") << xdgIni;
    }
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0)
        return false;
    pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        close(in[0]);
        close(in[1]);
        close(out[0]);
        close(out[1]);
        if (chdir(directory.c_str()) != 0)
            _exit(127);
        setenv("HOME", directory.c_str(), 1);
        setenv("XDG_CONFIG_HOME", xdgHome.c_str(), 1);
        execv(ARDENTIS_ENGINE, argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toEngine = in[1];
    fromEngine = out[0];
    return true;
}

void EngineProcess::send(const std::string& text)
{
    size_t done = 0;
    while (toEngine >= 0 && done < text.size()) {
        ssize_t n = write(toEngine, text.data() + done, text.size() - done);
        if (n <= 0)
            break;
        done += size_t(n);
    }
}

void EngineProcess::closeInput()
{
    if (toEngine >= 0)
        close(toEngine);
    toEngine = -1;
}

// Reads what is available within `waitMs`; returns false at end of output.
static bool readSome(int fd, std::string& output, int waitMs)
{
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, waitMs) <= 0)
        return true;
    char buffer[4096];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0)
        return false;
    output.append(buffer, size_t(n));
    return true;
}

bool EngineProcess::waitFor(const std::string& text, int timeoutMs, size_t from)
{
    long long deadline = nowMillis() + timeoutMs;
    while (output.find(text, from) == std::string::npos) {
        long long left = deadline - nowMillis();
        if (left <= 0 || fromEngine < 0)
            return false;
        if (!readSome(fromEngine, output, int(left))) {
            close(fromEngine);
            fromEngine = -1;
        }
    }
    return true;
}

int EngineProcess::wait(int timeoutMs)
{
    if (pid <= 0)
        return -1;
    long long deadline = nowMillis() + timeoutMs;
    for (;;) {
        if (fromEngine >= 0 && !readSome(fromEngine, output, 5)) {
            close(fromEngine);
            fromEngine = -1;
        }
        int status;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            pid = -1;
            while (fromEngine >= 0 && readSome(fromEngine, output, 0)) {
                pollfd p{fromEngine, POLLIN, 0};
                if (poll(&p, 1, 0) <= 0)
                    break;
            }
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (nowMillis() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            pid = -1;
            return -1;
        }
        if (fromEngine < 0)
            usleep(2000);
    }
}

EngineProcess::~EngineProcess()
{
    closeInput();
    if (pid > 0) {
        kill(pid, SIGKILL);
        int status;
        waitpid(pid, &status, 0);
    }
    if (fromEngine >= 0)
        close(fromEngine);
    if (!directory.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(directory, ec);
    }
}

EngineRun runEngine(const std::string& input, const char* ini, int timeoutMs)
{
    EngineProcess engine;
    if (!engine.start(ini))
        return {"", -2};
    engine.send(input);
    engine.closeInput();
    int status = engine.wait(timeoutMs);
    return {engine.output, status};
}

std::string startupText(int threads)
{
    std::string dashes(79, '-');
    return dashes + "\nArdentis chess engine by Velmorin\nVersion 1.3\n\n"
           "BMI2 optimization supported \nPOPCNT optimization supported \n"
           "Thread allocated for lazySMP: " + std::to_string(threads) + "\n" + dashes +
           "\nenter 'console' for console mode... ";
}
