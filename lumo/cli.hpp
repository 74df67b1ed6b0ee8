// What the subcommands of `lumo` share: reading sources, writing files whole or not at all,
// the exit statuses of the command itself, and when to colour.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace lumo::cli {

// Statuses of `lumo` itself, chosen outside the range of lumoc's (1 to 30, 71, 74, 101 to
// 107, 201 to 225), so that a script can tell them from a compile error.
constexpr int usageStatus = 64;      // bad arguments
constexpr int noInputStatus = 66;    // a file that cannot be read
constexpr int cantWriteStatus = 73;  // an output file that cannot be written
constexpr int ioStatus = 74;         // standard output cannot be written (as lumoc)

// `lumo run` and `lumo debug`: how a run that did not end normally ended.
constexpr int overflowStatus = 80;
constexpr int divideStatus = 81;
constexpr int inputStatus = 82;
constexpr int stackStatus = 83;
constexpr int stepLimitStatus = 84;
constexpr int faultStatus = 85;  // any other fault of the machine

// `lumo test` and `lumo grade`: not every case passed.
constexpr int failedStatus = 1;

// Reads a whole file, or standard input for "-". On failure `error` says why.
bool readSource(const std::string& path, std::string& text, std::string& error);

// The name a file goes by in messages: "<stdin>" for "-".
std::string shownName(const std::string& path);

// Writes `data` to `path` through a temporary file in the same folder and a rename, so that
// the file is either the whole new text or whatever it was before.
bool writeWhole(const std::string& path, const std::string& data, std::string& error);

// Whether to colour what goes to `stream`: `when` is "auto", "always" or "never"; a set
// NO_COLOR turns colour off whatever `when` says, and "auto" colours only a terminal that is
// not "dumb".
bool useColour(const std::string& when, std::FILE* stream);

int usage(const std::string& command, const std::string& message);

// Subcommands: each takes its own arguments (without "lumo" and its name).
int check(const std::vector<std::string>& args);
int build(const std::vector<std::string>& args);
int run(const std::vector<std::string>& args);
int debug(const std::vector<std::string>& args);
int explain(const std::vector<std::string>& args);
int test(const std::vector<std::string>& args);
int grade(const std::vector<std::string>& args);

// Parses a whole decimal number; false for anything else.
bool parseCount(const std::string& text, unsigned long long& value);

// Whether `args[i]` is the option `option` with a value, as "--option=VALUE" or as
// "--option VALUE" (then `i` moves on to the value); the value goes to `into`.
bool optionValue(const std::vector<std::string>& args, std::size_t& i, const char* option,
                 std::string& into);

}  // namespace lumo::cli
