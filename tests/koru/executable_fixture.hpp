// A scratch folder and a way to run the `koru` executable in it as a user would from a shell:
// a program file, standard input from a file, standard output and error collected.
#pragma once

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "koru_testing.hpp"

namespace korutest {

struct Ran {
    int status = -1;
    std::string out;
    std::string err;
};

class Executable : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "koru_XXXXXX";
        ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
        dir_ = pattern;
        program_ = dir_ + "/prog.asm";
    }

    void TearDown() override {
        for (const char* name : {"/prog.asm", "/in", "/out", "/err", "/prog.lumo", "/data"}) {
            std::remove((dir_ + name).c_str());
        }
        rmdir(dir_.c_str());
    }

    // Runs koru with `arguments`, the program file written from `source` and `input` as
    // standard input. `stdoutTarget` replaces the captured standard output when given.
    Ran run(const std::string& arguments, const std::string& source, const std::string& input = "",
            const std::string& stdoutTarget = "") {
        write(program_, source);
        write(dir_ + "/in", input);
        std::string out = stdoutTarget.empty() ? dir_ + "/out" : stdoutTarget;
        std::string command = "'" + korutest::koruPath() + "' " + arguments + " < '" + dir_ +
                              "/in' > '" + out + "' 2> '" + dir_ + "/err'";
        int raw = std::system(command.c_str());
        Ran ran;
        ran.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        ran.out = stdoutTarget.empty() ? read(dir_ + "/out") : "";
        ran.err = read(dir_ + "/err");
        return ran;
    }

    static void write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    static std::string read(const std::string& path) {
        std::ostringstream text;
        text << std::ifstream(path, std::ios::binary).rdbuf();
        return text.str();
    }

    std::string dir_;
    std::string program_;
};

}  // namespace korutest
