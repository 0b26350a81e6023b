// The tarnhost program itself: its exit status for scripts, and Ctrl-C on a real terminal.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "host_fixture.h"

namespace {

struct Finished {
    int status = -1;  // the exit status; -1 when it did not exit normally
    std::string output;
};

// Reads what the program writes until `until` shows (or, empty, until it closes its end).
std::string Drain(int fd, const std::string& until, std::string& seen) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (until.empty() || seen.find(until) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "no \"" << until << "\" in:\n" << seen;
            return seen;
        }
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 1000) <= 0) {
            continue;
        }
        char chunk[4096];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got <= 0) {
            break;
        }
        seen.append(chunk, static_cast<size_t>(got));
    }
    return seen;
}

Finished Wait(pid_t pid, std::string output) {
    Finished done;
    done.output = std::move(output);
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        done.status = WEXITSTATUS(status);
    }
    return done;
}

// tarnhost with these arguments, its output and errors in one.
Finished RunTarnhost(const std::vector<std::string>& args) {
    int out[2];
    if (::pipe(out) != 0) {
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(out[1], STDERR_FILENO);
        ::close(out[0]);
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, STDIN_FILENO);
        std::vector<char*> argv{const_cast<char*>(TARNHOST_PROGRAM)};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(TARNHOST_PROGRAM, argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    std::string seen;
    Drain(out[0], "", seen);
    ::close(out[0]);
    return Wait(pid, seen);
}

TEST(Tarnhost, AScriptEndsWithStatusOneAtItsFirstFailureAndZeroOtherwise) {
    const std::string dir = tarntest::TempDir();
    const std::string home = dir + "/home";
    auto script = [&](const std::string& name, const std::string& text) {
        e2e::WriteFile(dir + "/" + name, text);
        return RunTarnhost({"--home", home, "--no-map", "--script", dir + "/" + name});
    };
    Finished done = script("good.tarn", "\xEF\xBB\xBFPOINT 1,1\nSAVEAS " + dir + "/good.dxf\n");
    EXPECT_EQ(done.status, 0) << done.output;
    EXPECT_TRUE(std::filesystem::exists(dir + "/good.dxf"));

    done = script("nan.tarn", "CIRCLE\n0,0\nnan\n2\nSAVEAS " + dir + "/nan.dxf\n");
    EXPECT_EQ(done.status, 1) << done.output;
    EXPECT_NE(done.output.find("Requires numeric value."), std::string::npos) << done.output;
    EXPECT_NE(done.output.find("line 3: \"nan\" failed"), std::string::npos) << done.output;
    EXPECT_FALSE(std::filesystem::exists(dir + "/nan.dxf"));

    done = script("long.tarn", "TEXT 0,0 2 0\n" + std::string(2100, 't') + "\nSAVEAS " + dir + "/long.dxf\n");
    EXPECT_EQ(done.status, 1) << done.output.substr(0, 400);
    EXPECT_NE(done.output.find("The answer is too long"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir + "/long.dxf"));

    done = script("closed.tarn", "CLOSE\n-LAYER Make Roads\nNEW\n");
    EXPECT_EQ(done.status, 1) << done.output;
    EXPECT_NE(done.output.find("No drawing is open."), std::string::npos) << done.output;

    done = RunTarnhost({"--home", home, "--no-map", "--script", dir});
    EXPECT_EQ(done.status, 1) << done.output;
    EXPECT_NE(done.output.find("it is a folder"), std::string::npos) << done.output;
    done = RunTarnhost({"--home", home, "--no-map", "--script", dir + "/missing.tarn"});
    EXPECT_EQ(done.status, 1) << done.output;
    EXPECT_NE(done.output.find("No such file"), std::string::npos) << done.output;
}

TEST(Tarnhost, CtrlCOnATerminalCancelsThePromptAndKeepsTheDrawings) {
    const std::string dir = tarntest::TempDir();
    const std::string home = dir + "/home";
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0 && (errno == ENOENT || errno == ENXIO)) {
        GTEST_SKIP() << "this machine gives no pseudo-terminals";
    }
    ASSERT_GE(pid, 0) << std::strerror(errno);
    if (pid == 0) {
        ::execl(TARNHOST_PROGRAM, TARNHOST_PROGRAM, "--home", home.c_str(), "--no-map", nullptr);
        ::_exit(127);
    }
    std::string seen;
    auto type = [&](const std::string& text, const std::string& until) {
        ASSERT_EQ(::write(master, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        Drain(master, until, seen);
    };
    Drain(master, "Command: ", seen);
    type("POINT 1,1\n", "Command: ");
    type("CIRCLE\n", "Specify center point for circle: ");
    type("5,5\n", "Specify radius of circle: ");
    seen.clear();
    type("\x03", "*Cancel*");  // the terminal turns Ctrl-C into an interrupt of the program
    Drain(master, "Command: ", seen);
    seen.clear();
    type("\x03", "*Cancel*");  // at the command prompt too
    type("\nDUMP\n", "POINT at (1,1,0)");
    EXPECT_NE(seen.find("1 entities"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("CIRCLE center"), std::string::npos) << seen;
    type("QUIT\n", "");
    const Finished done = Wait(pid, seen);
    ::close(master);
    EXPECT_EQ(done.status, 0) << done.output;
}

}  // namespace
