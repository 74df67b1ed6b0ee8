// lumo at a terminal, through a real pseudo-terminal: typed input answered a line at a
// time by `lumo run`, line editing and history in `lumo debug`, and colour in `lumo check`
// exactly when it is on a terminal and NO_COLOR is not set.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/run_program.hpp"

namespace {

const std::string examples = EXAMPLES_DIR;

// A program running on the far side of a pseudo-terminal.
class Terminal {
  public:
    Terminal(const std::vector<std::string>& args,
             const std::vector<std::string>& environment = {}) {
        pid_ = forkpty(&fd_, nullptr, nullptr, nullptr);
        if (pid_ == 0) {
            for (const std::string& e : environment) putenv(const_cast<char*>(e.c_str()));
            setenv("TERM", "xterm", 1);
            std::vector<char*> argv;
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~Terminal() {
        if (pid_ > 0 && status_ < 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (fd_ >= 0) close(fd_);
    }

    void type(const std::string& text) {
        ASSERT_EQ(write(fd_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    // Reads until `wanted` has appeared after what earlier waits consumed; false after 10 s.
    bool waitFor(const std::string& wanted) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            const std::size_t found = seen_.find(wanted, consumed_);
            if (found != std::string::npos) {
                consumed_ = found + wanted.size();
                return true;
            }
            if (std::chrono::steady_clock::now() > deadline || !readSome()) return false;
        }
    }

    // Everything until the program ends, and its exit status.
    int finish() {
        while (readSome()) {
        }
        int status = 0;
        waitpid(pid_, &status, 0);
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return status_;
    }

    const std::string& seen() const { return seen_; }

  private:
    bool readSome() {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0) return false;
        char buffer[4096];
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n <= 0) return false;  // EIO once the program has closed its side
        seen_.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    int fd_ = -1;
    pid_t pid_ = -1;
    int status_ = -1;
    std::string seen_;
    std::size_t consumed_ = 0;
};

std::string scratchProgram(const std::string& source) {
    const std::string path = testing_support::scratchFile("tty") + ".lumo";
    testing_support::writeFile(path, source);
    return path;
}

TEST(TerminalRun, AnswersEachTypedLineBeforeTheNext) {
    const std::string program = scratchProgram(
        "int a;\nint b;\nconst string ask = \"b? \";\nconst string nl = \"\\n\";\n"
        "{\n    cin >> a;\n    cout << a;\n    cout << nl;\n    cout << ask;\n    cin >> b;\n"
        "    a = a + b;\n    cout << a;\n    cout << nl;\n}\n");
    Terminal t({LUMO_PATH, "run", program});
    t.type("7\n");
    // The first answer and the question come before the second number is typed: the input
    // is read a line at a time, and the output is on the screen before the program waits.
    ASSERT_TRUE(t.waitFor("7\r\nb? ")) << t.seen();
    t.type("35\n");
    ASSERT_TRUE(t.waitFor("42\r\n")) << t.seen();
    EXPECT_EQ(t.finish(), 0);
    std::remove(program.c_str());
}

TEST(TerminalRun, ErrorAfterAPromptStartsItsOwnLine) {
    const std::string program = scratchProgram(
        "int a;\nconst string ask = \"a? \";\n{\n    cout << ask;\n    cin >> a;\n}\n");
    Terminal t({LUMO_PATH, "run", "--color=never", program});
    ASSERT_TRUE(t.waitFor("a? ")) << t.seen();
    t.type("x\n");
    EXPECT_EQ(t.finish(), 82);
    EXPECT_NE(t.seen().find("x\r\n" + program + ":5:5: runtime error: bad input"),
              std::string::npos)
        << t.seen();
    std::remove(program.c_str());
}

TEST(TerminalDebug, LineEditingAndHistory) {
#ifndef LUMO_LINE_EDITING
    GTEST_SKIP() << "built without libedit";
#endif
    const std::string program = scratchProgram("int n = 3;\n{\n    n = n + 1;\n}\n");
    Terminal t({LUMO_PATH, "debug", program});
    ASSERT_TRUE(t.waitFor("(lumo) ")) << t.seen();
    t.type("print n\r");
    ASSERT_TRUE(t.waitFor("n = 3")) << t.seen();
    ASSERT_TRUE(t.waitFor("(lumo) "));
    // Up brings the last command back; Ctrl-A goes to the start of the line to insert.
    t.type("step\r");
    ASSERT_TRUE(t.waitFor("(lumo) "));
    t.type("\x1b[A\x1b[A\r");
    ASSERT_TRUE(t.waitFor("n = 4")) << t.seen();
    ASSERT_TRUE(t.waitFor("(lumo) "));
    t.type("rint n\x01p\r");
    ASSERT_TRUE(t.waitFor("n = 4")) << t.seen();
    t.type("quit\r");
    t.finish();
    std::remove(program.c_str());
}

TEST(TerminalCheck, ColourOnlyOnATerminalWithoutNoColor) {
    const std::string broken = examples + "/broken/unary_minus.lumo";
    {
        Terminal t({LUMO_PATH, "check", broken});
        t.finish();
        EXPECT_NE(t.seen().find("\x1b[1;31merror:"), std::string::npos) << t.seen();
        EXPECT_NE(t.seen().find("\x1b[1;36mnote:"), std::string::npos);
    }
    {
        Terminal t({LUMO_PATH, "check", broken}, {"NO_COLOR=1"});
        t.finish();
        EXPECT_EQ(t.seen().find('\x1b'), std::string::npos) << t.seen();
        EXPECT_NE(t.seen().find("error:"), std::string::npos);
    }
    {
        Terminal t({LUMO_PATH, "check", "--color=never", broken});
        t.finish();
        EXPECT_EQ(t.seen().find('\x1b'), std::string::npos) << t.seen();
    }
}

}  // namespace
