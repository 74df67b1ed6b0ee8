// Reads command lines: with line editing and history (libedit) when a person types at a
// terminal, and plainly from any other stream, so that the same session can be driven from
// a script. Shared by `koru --debug` and other interactive tools of the toolchain.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace koru {

class LineReader {
  public:
    // `name` selects the settings of the user's ~/.editrc that apply (e.g. "koru").
    LineReader(const char* name, std::string prompt, std::FILE* in = stdin,
               std::FILE* out = stdout);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line, without its line end; false at the end of the input (Ctrl-D). Without a
    // terminal the prompt and the line read are written to `out`, so that the output of a
    // scripted session reads like one typed.
    bool read(std::string& line);

    // Whether lines are edited at a terminal (false also when built without libedit).
    bool editing() const { return editor_ != nullptr; }

  private:
    struct Editor;
    std::string prompt_;
    std::FILE* in_;
    std::FILE* out_;
    std::unique_ptr<Editor> editor_;
};

}  // namespace koru
