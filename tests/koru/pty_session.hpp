// Runs a program on a pseudo-terminal, as a person at a terminal would: standard input,
// output and error are the terminal, keys are typed into it and the screen is read back.
#pragma once

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace korutest {

class PtySession {
  public:
    explicit PtySession(const std::vector<std::string>& argv) {
        pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
        if (pid_ == 0) {
            std::vector<char*> args;
            for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            // A plain terminal, so that line editing sends no colour or title sequences.
            setenv("TERM", "vt100", 1);
            setenv("HOME", "/nonexistent", 1);  // no ~/.editrc of the user
            execv(args[0], args.data());
            _exit(127);
        }
    }

    ~PtySession() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (master_ >= 0) close(master_);
    }

    bool started() const { return pid_ > 0; }

    // Types after a pause, as a person does after reading the screen: libedit draws its
    // prompt a moment before it switches the terminal to raw mode, and keys typed within
    // that moment are echoed twice, and a Ctrl-D then is lost.
    void type(const std::string& keys) {
        usleep(50 * 1000);
        for (std::size_t done = 0; done < keys.size();) {
            ssize_t n = write(master_, keys.data() + done, keys.size() - done);
            if (n <= 0) return;
            done += static_cast<std::size_t>(n);
        }
    }

    // Reads the screen until `text` has appeared after what earlier waits consumed; false
    // when it has not within the time.
    bool waitFor(const std::string& text, int milliseconds = 5000) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            std::size_t found = screen_.find(text, consumed_);
            if (found != std::string::npos) {
                consumed_ = found + text.size();
                return true;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
            if (left <= 0 || !readSome(static_cast<int>(left))) return false;
        }
    }

    // Everything the program has shown so far.
    const std::string& screen() const { return screen_; }

    // The exit status once the program ends (reading what it still shows), or -1 if it
    // does not end within the time.
    int exitStatus(int milliseconds = 5000) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            pid_t done = waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                exited_ = true;
                while (readSome(50)) {
                }
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            readSome(20);
        }
        return -1;
    }

  private:
    bool readSome(int milliseconds) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, milliseconds) <= 0) return false;
        char buffer[4096];
        ssize_t n = read(master_, buffer, sizeof buffer);
        if (n <= 0) return false;
        screen_.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int master_ = -1;
    bool exited_ = false;
    std::string screen_;
    std::size_t consumed_ = 0;
};

}  // namespace korutest
