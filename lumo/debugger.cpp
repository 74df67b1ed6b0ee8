#include "debugger.hpp"

#include <algorithm>
#include <cstdio>

#include "tokens.hpp"

namespace lumo::debug {

namespace {

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = text.find('\n', i);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(i, end - i);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        i = end + 1;
    }
    return lines;
}

std::string_view trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

struct Command {
    const char* name;
    const char* alias;
};

// In the order a prefix is matched: "s" is step, "c" continue.
const Command commands[] = {{"step", "s"},  {"stepi", "si"}, {"next", "n"},  {"continue", "c"},
                            {"break", "b"}, {"delete", "d"}, {"print", "p"}, {"info", "i"},
                            {"list", "l"},  {"asm", ""},     {"help", "h"},  {"quit", "q"}};

// The command a word names: its alias, its whole name, or the first name it begins.
std::string commandOf(std::string_view word) {
    for (const Command& c : commands) {
        if (word == c.alias || word == c.name) return c.name;
    }
    for (const Command& c : commands) {
        if (!word.empty() && std::string_view(c.name).substr(0, word.size()) == word) return c.name;
    }
    return {};
}

bool parseLine(std::string_view text, int& line) {
    if (text.empty() || text.size() > 9) return false;
    line = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        line = line * 10 + (c - '0');
    }
    return line > 0;
}

}  // namespace

Debugger::Debugger(const Setup& setup)
    : compiled_(setup.compiled),
      fileName_(setup.fileName),
      input_(setup.input),
      output_(setup.output),
      say_(setup.say),
      maxSteps_(setup.maxSteps),
      interrupted_(setup.interrupted),
      machine_(setup.compiled.program, setup.input, setup.output) {
    const koru::Program& program = compiled_.program;
    const StatementMap& map = compiled_.result.map;
    entryStatement_.assign(program.code.size(), -1);
    entryOf_.assign(map.statements.size(), UINT32_MAX);
    for (std::uint32_t i = 0; i < program.code.size() && i < program.lines.size(); ++i) {
        const int s = map.statementAt(static_cast<int>(program.lines[i]));
        if (s < 0 || entryOf_[static_cast<std::size_t>(s)] != UINT32_MAX) continue;
        entryOf_[static_cast<std::size_t>(s)] = i;
        if (map.statements[static_cast<std::size_t>(s)].kind != CodeKind::declaration)
            entryStatement_[i] = s;
    }
    sourceLines_ = splitLines(compiled_.source);
    asmLines_ = splitLines(compiled_.result.output);
    for (const hints::Declaration& d : hints::declarations(hints::tokenize(compiled_.source))) {
        Name n;
        n.name = std::string(d.name);
        n.type = std::string(d.type);
        n.constant = d.constant;
        const std::string label = "sym_" + n.name;
        for (std::uint32_t k = 0; k < program.labelNames.size(); ++k) {
            if (program.labelNames.name(k) == label) n.address = program.labels[k].value;
        }
        names_.push_back(std::move(n));
    }
}

void Debugger::say(const std::string& text) {
    // The program's output first; a line it left open is closed, so that the debugger's
    // text starts a line of its own.
    output_.flush();
    std::string out;
    if (output_.bytesWritten() != outputSeen_ && output_.lastByte() != '\n') out += '\n';
    outputSeen_ = output_.bytesWritten();
    out += text;
    say_(out);
}

int Debugger::currentStatement() const {
    return runtime::statementOf(compiled_, machine_.pc());
}

int Debugger::currentLine() const {
    const int s = currentStatement();
    return s < 0 ? 0 : compiled_.result.map.statements[static_cast<std::size_t>(s)].begin.line;
}

std::string Debugger::sourceLine(int line) const {
    if (line < 1 || static_cast<std::size_t>(line) > sourceLines_.size()) return {};
    return std::string(sourceLines_[static_cast<std::size_t>(line) - 1]);
}

std::string Debugger::here() const {
    const int line = currentLine();
    return std::to_string(line) + "\t" + sourceLine(line) + "\n";
}

bool Debugger::inside(int statement, int outer) const {
    const auto& statements = compiled_.result.map.statements;
    for (int s = statement; s >= 0; s = statements[static_cast<std::size_t>(s)].parent) {
        if (s == outer) return true;
    }
    return false;
}

void Debugger::start() {
    std::string text = "Debugging " + fileName_ + ". Type 'help' for the commands.\n";
    say(text);
    runUntil([](int) { return true; }, false);
}

bool Debugger::notRunning() {
    if (!ended_) return false;
    say("The program is not running any more; 'quit' leaves, 'print' and 'info locals' still "
        "work.\n");
    return true;
}

void Debugger::finish(const koru::RunResult& result) {
    ended_ = true;
    const runtime::Result r = runtime::resultOf(compiled_, result);
    ending_ = r.ending;
    if (r.ending == runtime::Ending::normal) {
        say("The program ended normally.\n");
        return;
    }
    say(runtime::report(fileName_, compiled_, r, {}) +
        "The program stopped: " + runtime::describe(r.ending) + ".\n");
}

template <typename Stop>
void Debugger::runUntil(Stop stop, bool breakpoints) {
    std::uint64_t budget = maxSteps_;
    bool first = true;
    for (;;) {
        if (budget == 0) {
            say("Still running after " + std::to_string(maxSteps_) +
                " instructions; stopped at line " + std::to_string(currentLine()) +
                " ('continue' goes on).\n" + here());
            return;
        }
        if (interrupted_ != nullptr && (budget & 0xFFFFF) == 0 && interrupted_()) {
            say("Interrupted.\n" + here());
            return;
        }
        const std::uint32_t from = machine_.pc();
        if (!first && breakpoints && machine_.breakpointAt(from)) {
            for (const auto& [line, index] : breakpoints_) {
                if (index == from) {
                    say("Breakpoint at line " + std::to_string(line) + "\n" + here());
                    return;
                }
            }
        }
        if (!first) {
            const int s = entryStatement_[from];
            if (s >= 0 && stop(s)) {
                say(here());
                return;
            }
        }
        first = false;
        const koru::Outcome outcome = machine_.step();
        --budget;
        if (koru::isFinal(outcome)) {
            finish(machine_.last());
            return;
        }
    }
}

void Debugger::stepInstruction() {
    const koru::Outcome outcome = machine_.step();
    if (koru::isFinal(outcome)) {
        finish(machine_.last());
        return;
    }
    const std::uint32_t pc = machine_.pc();
    say("line " + std::to_string(currentLine()) +
        ", next instruction: " + compiled_.program.instructionText(pc) + "\n");
}

std::string Debugger::valueOf(const Name& n) const {
    if (n.type == "string") {
        std::string text = "\"";
        for (std::uint32_t a = n.address; a < n.address + 4096; ++a) {
            const std::uint8_t byte = machine_.byte(a);
            if (byte == 0) break;
            if (byte == '\n') {
                text += "\\n";
            } else if (byte < 0x20 || byte == 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", byte);
                text += hex;
            } else {
                text += static_cast<char>(byte);
            }
        }
        return text + "\"";
    }
    const int value = koru::toSigned(machine_.word(n.address));
    if (n.type == "bool")
        return value == -1 ? "true" : value == 0 ? "false" : std::to_string(value);
    return std::to_string(value);
}

void Debugger::printCommand(std::string_view name) {
    if (name.empty()) {
        say("print NAME: the value of a declared name ('info locals' shows them all).\n");
        return;
    }
    for (const Name& n : names_) {
        if (n.name == name) {
            say(n.name + " = " + valueOf(n) + "\n");
            return;
        }
    }
    say("No name '" + std::string(name) + "' is declared.\n");
}

void Debugger::infoCommand(std::string_view what) {
    if (what == "locals" || what == "l" || what.empty()) {
        if (names_.empty()) {
            say("The program declares no names.\n");
            return;
        }
        std::string text;
        for (const Name& n : names_) {
            text +=
                (n.constant ? "const " : "") + n.type + " " + n.name + " = " + valueOf(n) + "\n";
        }
        say(text);
        return;
    }
    if (what == "breakpoints" || what == "b") {
        std::string text;
        for (const auto& [line, index] : breakpoints_)
            text += "breakpoint at line " + std::to_string(line) + "\n";
        say(text.empty() ? "No breakpoints.\n" : text);
        return;
    }
    say("info locals: every declared name and its value; info breakpoints: the breakpoints.\n");
}

void Debugger::breakCommand(std::string_view argument) {
    int line = 0;
    if (!parseLine(argument, line)) {
        say("break LINE: stop at the first statement that begins on LINE or after it.\n");
        return;
    }
    // The statement that begins first at or after the line, in the order of the text.
    const auto& statements = compiled_.result.map.statements;
    int best = -1;
    for (std::size_t s = 0; s < statements.size(); ++s) {
        if (statements[s].kind == CodeKind::declaration || entryOf_[s] == UINT32_MAX) continue;
        if (statements[s].begin.line < line) continue;
        if (best < 0 ||
            statements[s].begin.offset < statements[static_cast<std::size_t>(best)].begin.offset)
            best = static_cast<int>(s);
    }
    if (best < 0) {
        say("No statement begins on line " + std::to_string(line) + " or after it.\n");
        return;
    }
    const int at = statements[static_cast<std::size_t>(best)].begin.line;
    const std::uint32_t index = entryOf_[static_cast<std::size_t>(best)];
    breakpoints_[at] = index;
    machine_.setBreakpoint(index, true);
    say("Breakpoint at line " + std::to_string(at) + ": " + std::string(trim(sourceLine(at))) +
        "\n");
}

void Debugger::deleteCommand(std::string_view argument) {
    int line = 0;
    if (argument.empty()) {
        for (const auto& [at, index] : breakpoints_) machine_.setBreakpoint(index, false);
        breakpoints_.clear();
        say("Deleted all breakpoints.\n");
        return;
    }
    if (!parseLine(argument, line) || breakpoints_.count(line) == 0) {
        say("No breakpoint at line " + std::string(argument) + ".\n");
        return;
    }
    machine_.setBreakpoint(breakpoints_[line], false);
    breakpoints_.erase(line);
    say("Deleted the breakpoint at line " + std::to_string(line) + ".\n");
}

void Debugger::listCommand(std::string_view argument) {
    int center = currentLine();
    if (!argument.empty() && !parseLine(argument, center)) {
        say("list [LINE]: the source around the current line or LINE.\n");
        return;
    }
    const int current = ended_ ? 0 : currentLine();
    const int first = std::max(1, center - 4);
    const int last = std::min(static_cast<int>(sourceLines_.size()), first + 9);
    std::string text;
    for (int line = first; line <= last; ++line) {
        char number[16];
        std::snprintf(number, sizeof number, "%4d", line);
        text += std::string(line == current                 ? "=>"
                            : breakpoints_.count(line) != 0 ? " *"
                                                            : "  ") +
                number + "  " + sourceLine(line) + "\n";
    }
    say(text.empty() ? "No lines there.\n" : text);
}

void Debugger::asmCommand() {
    if (notRunning()) return;
    const int s = currentStatement();
    const int pcLine = static_cast<int>(compiled_.program.lines[machine_.pc()]);
    std::string text;
    for (const CodeRange& range : compiled_.result.map.code) {
        if (range.statement != s) continue;
        for (int line = range.firstLine; line <= range.lastLine; ++line) {
            char number[16];
            std::snprintf(number, sizeof number, "%6d", line);
            text += std::string(line == pcLine ? "=>" : "  ") + number + "  " +
                    std::string(asmLines_[static_cast<std::size_t>(line) - 1]) + "\n";
        }
    }
    say("The code of line " + std::to_string(currentLine()) + " (assembly line numbers):\n" + text);
}

void Debugger::help() {
    say("Commands (a unique beginning of a name will do):\n"
        "  break LINE   stop at the first statement on LINE or after it (b)\n"
        "  delete LINE  remove that breakpoint; without LINE, all of them (d)\n"
        "  step         run to the next statement, into the bodies of if and while (s)\n"
        "  next         run to the next statement at this level, over bodies (n)\n"
        "  stepi        run one machine instruction (si)\n"
        "  continue     run to the next breakpoint or the end (c)\n"
        "  print NAME   the value of a declared name (p)\n"
        "  info locals  every declared name and its value (i)\n"
        "  list [LINE]  the source around the current line (l)\n"
        "  asm          the assembly of the current statement\n"
        "  help, quit   (h, q)\n"
        "An empty line repeats step, next or stepi.\n");
}

bool Debugger::execute(std::string_view line) {
    line = trim(line);
    if (line.empty()) {
        if (repeat_.empty()) return true;
        line = repeat_;
    }
    const std::size_t space = line.find_first_of(" \t");
    const std::string_view word = line.substr(0, space);
    const std::string_view argument =
        space == std::string_view::npos ? std::string_view() : trim(line.substr(space));
    const std::string command = commandOf(word);
    repeat_.clear();
    if (command == "quit") return false;
    if (command == "step") {
        repeat_ = "step";
        if (!notRunning()) runUntil([](int) { return true; }, true);
    } else if (command == "next") {
        repeat_ = "next";
        if (!notRunning()) {
            const int from = currentStatement();
            runUntil([this, from](int s) { return !inside(s, from); }, true);
        }
    } else if (command == "stepi") {
        repeat_ = "stepi";
        if (!notRunning()) stepInstruction();
    } else if (command == "continue") {
        if (!notRunning()) runUntil([](int) { return false; }, true);
    } else if (command == "break") {
        breakCommand(argument);
    } else if (command == "delete") {
        deleteCommand(argument);
    } else if (command == "print") {
        printCommand(argument);
    } else if (command == "info") {
        infoCommand(argument);
    } else if (command == "list") {
        listCommand(argument);
    } else if (command == "asm") {
        asmCommand();
    } else if (command == "help") {
        help();
    } else {
        say("Unknown command '" + std::string(word) + "'; 'help' lists the commands.\n");
    }
    return true;
}

}  // namespace lumo::debug
