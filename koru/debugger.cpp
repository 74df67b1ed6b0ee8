// The debugger's commands.
#include "debugger.hpp"

#include <algorithm>
#include <cstdio>

#include "syntax.hpp"
#include "trace.hpp"

namespace koru {

namespace {

// A long `continue` runs in slices, so that an interrupt is seen within a fraction of a
// second without any test inside the machine's loop.
constexpr std::uint64_t slice = 1 << 22;
constexpr int contextLines = 5;           // `list` shows this many lines either side
constexpr std::uint32_t mostWords = 256;  // `mem` shows at most this many words

const char helpText[] =
    "commands (the start of a name is enough: b, d, s, n, c, r, p, l, w, h, q):\n"
    "  break LABEL|LINE   stop before the instruction at LABEL or on LINE\n"
    "  delete [N]         remove breakpoint or watch N, or all of them\n"
    "  step [N]           execute N instructions (1), showing each\n"
    "  next [N]           the same: JSR calls a built-in routine, which is one step\n"
    "  continue           run until a breakpoint, a watch, the end or Ctrl-C\n"
    "  run                start again from the first instruction (the input too, if a file)\n"
    "  regs               the registers, the flags and the next instruction\n"
    "  stack              the words between SP and the stack's start, top first\n"
    "  mem ADDR [COUNT]   COUNT words (8) from ADDR ($hex, decimal or a data label)\n"
    "  print NAME         a data label's word or text, or a register (A, B, SP)\n"
    "  list [LINE]        the source around the next instruction or LINE\n"
    "  watch NAME         stop when the word at a data label changes\n"
    "  help               this text\n"
    "  quit               end the session\n"
    "An empty line repeats the last step or next.\n";

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// Splits off the first word.
std::string_view firstWord(std::string_view& text) {
    text = trimmed(text);
    std::size_t end = text.find_first_of(" \t");
    std::string_view word = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : trimmed(text.substr(end));
    return word;
}

bool number(std::string_view text, std::uint64_t limit, std::uint64_t& value) {
    if (text.empty() || text.size() > 12) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value <= limit;
}

// The text at a DC.B label, as a C string literal, cut when long.
std::string textAt(const Machine& machine, std::uint16_t address) {
    constexpr std::size_t longest = 200;
    std::string text;
    std::uint32_t a = address;
    for (; a < memorySize && machine.byte(a) != 0 && a - address < longest; ++a) {
        char c = static_cast<char>(machine.byte(a));
        if (c == '\n') {
            text += "\\n";
        } else if (c == '"') {
            text += "\\\"";
        } else {
            text += c;
        }
    }
    bool cut = a < memorySize && machine.byte(a) != 0;
    return "\"" + printable(text, 2 * longest) + (cut ? "\"..." : "\"");
}

// Tabs to the next multiple of eight, so that listed lines keep their columns.
std::string expandTabs(std::string_view line) {
    std::string expanded;
    for (char c : line) {
        if (c == '\t') {
            expanded.append(8 - expanded.size() % 8, ' ');
        } else {
            expanded.push_back(c);
        }
    }
    return expanded;
}

struct Command {
    const char* name;
    int id;
};

enum CommandId {
    cBreak,
    cDelete,
    cStep,
    cNext,
    cContinue,
    cRun,
    cRegs,
    cStack,
    cMem,
    cPrint,
    cList,
    cWatch,
    cHelp,
    cQuit
};

const Command commands[] = {
    {"break", cBreak},       {"delete", cDelete}, {"step", cStep}, {"next", cNext},
    {"continue", cContinue}, {"run", cRun},       {"regs", cRegs}, {"stack", cStack},
    {"mem", cMem},           {"print", cPrint},   {"list", cList}, {"watch", cWatch},
    {"help", cHelp},         {"quit", cQuit},
};

// The command a word names: the whole name or a start of it. Where a start fits several
// (s: step and stack), the first in the table wins, so that the common one is short.
int findCommand(std::string_view word) {
    if (word.empty()) return -1;
    for (const Command& command : commands) {
        std::string_view name = command.name;
        if (name.substr(0, word.size()) == word) return command.id;
    }
    if (word == "exit") return cQuit;
    return -1;
}

}  // namespace

Debugger::Debugger(const DebuggerSetup& setup)
    : program_(setup.program),
      name_(setup.name),
      input_(setup.input),
      output_(setup.output),
      say_(setup.say),
      maxSteps_(setup.maxSteps),
      interrupted_(setup.interrupted),
      machine_(setup.program, setup.input, setup.output) {
    std::string_view source = setup.source;
    while (!source.empty()) {
        std::size_t end = source.find('\n');
        sourceLines_.push_back(source.substr(0, end));
        if (end == std::string_view::npos) break;
        source.remove_prefix(end + 1);
    }
    // Where the stack starts: the first value the program gives SP (compiled programs: $DF).
    for (std::size_t i = 0; i + 1 < program_.code.size() && i < 64; ++i) {
        const Instruction& in = program_.code[i];
        if (in.op == Op::Move && in.dstMode == Mode::Register && in.dst == regSP &&
            in.srcMode == Mode::Immediate) {
            stackStart_ = static_cast<std::uint16_t>(in.src);
            break;
        }
    }
}

// The program's output and the debugger's text share one screen; a prompt such as "Enter
// a number: " must not run into the debugger's next line.
void Debugger::emit() {
    output_.flush();
    if (reply_.empty()) return;
    if (output_.bytesWritten() != outputSeen_ && output_.lastByte() != '\n') {
        reply_.insert(0, 1, '\n');
    }
    outputSeen_ = output_.bytesWritten();
    if (say_) say_(reply_);
    reply_.clear();
}

void Debugger::start() {
    reply_ += "koru debugger: " + name_ + ", " + std::to_string(program_.code.size() - 1) +
              " instructions; 'help' lists the commands.\nnext: " + where(machine_.pc()) + "\n";
    emit();
}

std::string Debugger::where(std::uint32_t index) const {
    if (index + 1 >= program_.code.size()) return "the end of the program";
    return "line " + std::to_string(program_.lines[index]) + ": " + program_.instructionText(index);
}

bool Debugger::execute(std::string_view line) {
    std::string_view rest = line;
    std::string_view word = firstWord(rest);
    std::string repeated;
    if (word.empty()) {
        if (repeatable_.empty()) return true;
        repeated = repeatable_;
        rest = repeated;
        word = firstWord(rest);
    }
    int id = findCommand(word);
    if (id == cQuit) return false;
    if (id == cStep || id == cNext) {
        if (repeated.empty()) repeatable_ = std::string(trimmed(line));
    } else {
        repeatable_.clear();
    }
    if (id < 0) {
        reply_ += "unknown command " + quoted(word) + "; 'help' lists the commands\n";
    } else {
        dispatch(id, rest);
    }
    emit();
    return true;
}

void Debugger::dispatch(int command, std::string_view arguments) {
    switch (command) {
        case cBreak:
            return breakCommand(arguments);
        case cDelete:
            return deleteCommand(arguments);
        case cStep:
        case cNext:
            return stepCommand(arguments);
        case cContinue:
            return runOn();
        case cRun:
            return runCommand();
        case cRegs:
            reply_ += registerLine(machine_) + "\nnext: " + where(machine_.pc()) + "\n";
            return;
        case cStack:
            return stackCommand();
        case cMem:
            return memCommand(arguments);
        case cPrint:
            return printCommand(arguments);
        case cList:
            return listCommand(arguments);
        case cWatch:
            return watchCommand(arguments);
        default:
            reply_ += helpText;
    }
}

void Debugger::breakCommand(std::string_view where) {
    std::uint64_t line = 0;
    std::uint32_t index = 0;
    if (where.empty()) {
        reply_ += "break needs a code label or a line number\n";
        return;
    }
    if (number(where, 0xFFFFFFFFu, line)) {
        index = program_.instructionAtLine(static_cast<std::uint32_t>(line));
        if (index + 1 >= program_.code.size()) {
            reply_ += "no instruction on line " + std::to_string(line) + " or after it\n";
            return;
        }
    } else {
        const Label* label = program_.findLabel(where);
        if (label == nullptr) {
            reply_ += "no label " + quoted(where) + " in the program\n";
            return;
        }
        if (label->kind != LabelKind::code) {
            reply_ += quoted(where) + " names data; break needs a code label or a line\n";
            return;
        }
        index = label->value;
    }
    for (const Stop& stop : stops_) {
        if (!stop.watch && stop.place == index) {
            reply_ += "breakpoint " + std::to_string(stop.number) + " is already at " +
                      this->where(index) + "\n";
            return;
        }
    }
    stops_.push_back({nextNumber_++, false, index, std::string(where)});
    machine_.setBreakpoint(index, true);
    reply_ +=
        "breakpoint " + std::to_string(stops_.back().number) + " at " + this->where(index) + "\n";
}

void Debugger::deleteCommand(std::string_view which) {
    if (which.empty()) {
        stops_.clear();
        machine_.clearBreakpoints();
        machine_.clearWatches();
        reply_ += "deleted all breakpoints and watches\n";
        return;
    }
    std::uint64_t wanted = 0;
    auto found = stops_.end();
    if (number(which, 1u << 30, wanted)) {
        found = std::find_if(stops_.begin(), stops_.end(), [&](const Stop& stop) {
            return stop.number == static_cast<int>(wanted);
        });
    }
    if (found == stops_.end()) {
        reply_ += "no breakpoint or watch " + quoted(which) + "\n";
        return;
    }
    if (found->watch) {
        machine_.removeWatch(static_cast<std::uint16_t>(found->place));
    } else {
        machine_.setBreakpoint(found->place, false);
    }
    reply_ += std::string(found->watch ? "deleted watch " : "deleted breakpoint ") +
              std::to_string(found->number) + "\n";
    stops_.erase(found);
}

void Debugger::stepCommand(std::string_view count) {
    std::uint64_t steps = 1;
    if (!count.empty() && (!number(count, 1u << 30, steps) || steps == 0)) {
        reply_ += "step needs a count above 0, not " + quoted(count) + "\n";
        return;
    }
    for (std::uint64_t i = 0; i < steps && !machine_.ended(); ++i) {
        if (i != 0 && machine_.breakpointAt(machine_.pc())) {
            return describeStop({Outcome::breakpoint, "", machine_.pc(), 0, machine_.steps()});
        }
        emit();
        std::uint64_t before = machine_.steps();
        Outcome outcome = machine_.step();
        if (machine_.steps() != before) {
            reply_ += traceLine(program_, machine_, machine_.last().instruction) + "\n";
        }
        if (outcome != Outcome::running) return describeStop(machine_.last());
        if (interrupted_ != nullptr && interrupted_()) {
            reply_ += "interrupted\n";
            break;
        }
    }
    if (machine_.ended()) return describeStop(machine_.last());
    reply_ += "next: " + where(machine_.pc()) + "\n";
}

void Debugger::runOn() {
    if (machine_.ended()) return describeStop(machine_.last());
    emit();
    std::uint64_t start = machine_.steps();
    for (;;) {
        std::uint64_t done = machine_.steps() - start;
        std::uint64_t budget = slice;
        if (maxSteps_ != 0) budget = std::min(budget, maxSteps_ - done);
        RunResult result = machine_.run(budget);
        if (result.outcome != Outcome::stepLimit) return describeStop(result);
        if (maxSteps_ != 0 && machine_.steps() - start >= maxSteps_) {
            reply_ += "stopped after " + std::to_string(maxSteps_) +
                      " steps (the step limit of one command); continue goes on\n";
            break;
        }
        if (interrupted_ != nullptr && interrupted_()) {
            reply_ += "interrupted\n";
            break;
        }
    }
    reply_ += "next: " + where(machine_.pc()) + "\n";
}

void Debugger::runCommand() {
    machine_.reset();
    bool again = input_.restart();
    reply_ += "starting the program from its first instruction\n";
    if (!again) reply_ += "(its input cannot be read again: it goes on where it was)\n";
    if (machine_.breakpointAt(0)) {
        return describeStop({Outcome::breakpoint, "", 0, 0, 0});
    }
    runOn();
}

void Debugger::describeStop(const RunResult& result) {
    const std::string at = where(result.instruction);
    switch (result.outcome) {
        case Outcome::breakpoint: {
            auto stop = std::find_if(stops_.begin(), stops_.end(), [&](const Stop& s) {
                return !s.watch && s.place == result.instruction;
            });
            int number = stop == stops_.end() ? 0 : stop->number;
            reply_ += "breakpoint " + std::to_string(number) + ", " + at + "\n";
            return;
        }
        case Outcome::watch: {
            auto stop = std::find_if(stops_.begin(), stops_.end(), [&](const Stop& s) {
                return s.watch && s.place == result.watched;
            });
            std::string name = stop == stops_.end() ? std::string("watch")
                                                    : "watch " + std::to_string(stop->number) +
                                                          " (" + stop->name + ")";
            reply_ += name + ": " + result.message + ", by " + at +
                      "\nnext: " + where(machine_.pc()) + "\n";
            return;
        }
        case Outcome::halted:
            reply_ += "the program halted at " + at + " after " + std::to_string(result.steps) +
                      " steps; 'run' starts it again\n";
            return;
        case Outcome::overflowTrap:
        case Outcome::divideTrap: {
            bool overflow = result.outcome == Outcome::overflowTrap;
            reply_ += std::string("the program stopped in its ") +
                      (overflow ? "integer-overflow" : "divide-by-zero") + " handler, entered by " +
                      where(result.trapFrom) + "; 'run' starts it again\n";
            return;
        }
        case Outcome::outputFailed:
            reply_ += "the program's output cannot be written\n";
            return;
        default:
            reply_ += "run-time error at " + at + ": " + result.message +
                      "; 'run' starts the program again\n";
    }
}

void Debugger::stackCommand() {
    std::uint16_t sp = machine_.sp();
    if (toSigned(sp) > stackStart_ || toSigned(sp) < 0) {
        reply_ += "SP=" + hexWord(sp) + " lies outside the stack, which starts at " +
                  hexWord(stackStart_) + "\n";
        return;
    }
    std::vector<StackWord> words = machine_.stack(stackStart_);
    if (words.empty()) {
        reply_ += "the stack is empty (SP=" + hexWord(sp) + ")\n";
        return;
    }
    for (const StackWord& entry : words) {
        reply_ += "  " + hexWord(entry.address) + ": " + std::to_string(toSigned(entry.value)) +
                  " (" + hexWord(entry.value) + ")" + (entry.address == sp ? "   <- SP" : "") +
                  "\n";
    }
}

bool Debugger::address(std::string_view text, std::uint16_t& value) const {
    std::uint64_t parsed = 0;
    if (!text.empty() && text.front() == '$') {
        long hex = 0;
        if (!parseHexAddress(text, hex)) return false;
        value = static_cast<std::uint16_t>(hex);
        return true;
    }
    if (number(text, 0xFFFF, parsed)) {
        value = static_cast<std::uint16_t>(parsed);
        return true;
    }
    const Label* label = program_.findLabel(text);
    if (label == nullptr || label->kind == LabelKind::code) return false;
    value = static_cast<std::uint16_t>(label->value);
    return true;
}

void Debugger::memCommand(std::string_view arguments) {
    std::string_view first = firstWord(arguments);
    std::uint16_t start = 0;
    std::uint64_t count = 8;
    if (first.empty() || !address(first, start)) {
        reply_ += "mem needs an address: $hex, a decimal number or a data label\n";
        return;
    }
    if (!arguments.empty() && (!number(arguments, mostWords, count) || count == 0)) {
        reply_ += "mem shows 1 to " + std::to_string(mostWords) + " words, not " +
                  quoted(arguments) + "\n";
        return;
    }
    for (std::uint64_t i = 0; i < count && start + 2 * i + 1 < memorySize; ++i) {
        std::uint32_t at = start + 2 * static_cast<std::uint32_t>(i);
        std::uint16_t word = machine_.word(at);
        std::string chars;
        for (std::uint32_t b = at; b < at + 2; ++b) {
            unsigned char c = machine_.byte(b);
            chars += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '.';
        }
        char line[64];
        std::snprintf(line, sizeof line, "  $%04X: $%04X %7d  %s\n", static_cast<unsigned>(at),
                      static_cast<unsigned>(word), toSigned(word), chars.c_str());
        reply_ += line;
    }
}

const Label* Debugger::dataLabel(std::string_view name) {
    const Label* label = program_.findLabel(name);
    if (label == nullptr) {
        reply_ += "no label " + quoted(name) + " in the program\n";
        return nullptr;
    }
    if (label->kind == LabelKind::code) {
        reply_ += quoted(name) + " names code, at " + where(label->value) + "\n";
        return nullptr;
    }
    return label;
}

void Debugger::printCommand(std::string_view name) {
    if (name.empty()) {
        reply_ += "print needs a data label, such as sym_a, or a register\n";
        return;
    }
    if (name == "A" || name == "B" || name == "SP") {
        Register r = name == "A" ? regA : name == "B" ? regB : regSP;
        std::uint16_t value = machine_.registerValue(r);
        reply_ += std::string(name) + " = " + std::to_string(toSigned(value)) + " (" +
                  hexWord(value) + ")\n";
        return;
    }
    const Label* label = dataLabel(name);
    if (label == nullptr) return;
    std::uint16_t at = static_cast<std::uint16_t>(label->value);
    if (label->kind == LabelKind::text) {
        reply_ +=
            std::string(name) + " = " + textAt(machine_, at) + "   (at " + hexWord(at) + ")\n";
        return;
    }
    std::uint16_t value = machine_.word(at);
    reply_ += std::string(name) + " = " + std::to_string(toSigned(value)) + " (" + hexWord(value) +
              ", at " + hexWord(at) + ")\n";
}

void Debugger::listCommand(std::string_view where) {
    std::uint64_t centre = 0;
    std::uint32_t next = machine_.pc();
    unsigned current = next + 1 < program_.code.size() ? program_.lines[next] : 0;
    if (where.empty()) {
        centre = current != 0 ? current : sourceLines_.size();
    } else if (!number(where, 0xFFFFFFFFu, centre)) {
        const Label* label = program_.findLabel(where);
        if (label == nullptr) {
            reply_ += "list needs a line number or a label, not " + quoted(where) + "\n";
            return;
        }
        centre = label->kind == LabelKind::code && label->value + 1 < program_.code.size()
                     ? program_.lines[label->value]
                     : label->line;
    }
    if (sourceLines_.empty()) {
        reply_ += "no source text to list\n";
        return;
    }
    std::uint64_t first = centre > contextLines ? centre - contextLines : 1;
    std::uint64_t last = std::min<std::uint64_t>(centre + contextLines, sourceLines_.size());
    if (first > last) {
        reply_ += "the program has " + std::to_string(sourceLines_.size()) + " lines\n";
        return;
    }
    for (std::uint64_t line = first; line <= last; ++line) {
        std::uint32_t index = program_.instructionAtLine(static_cast<std::uint32_t>(line));
        bool instructionHere = index + 1 < program_.code.size() && program_.lines[index] == line;
        bool stop = instructionHere && machine_.breakpointAt(index);
        char head[24];
        std::snprintf(head, sizeof head, "%s%c%5lu  ", line == current ? "=>" : "  ",
                      stop ? '*' : ' ', static_cast<unsigned long>(line));
        reply_ += head + printable(expandTabs(sourceLines_[line - 1]), 200) + "\n";
    }
}

void Debugger::watchCommand(std::string_view name) {
    if (name.empty()) {
        reply_ += "watch needs a data label, such as sym_a\n";
        return;
    }
    const Label* label = dataLabel(name);
    if (label == nullptr) return;
    std::uint16_t at = static_cast<std::uint16_t>(label->value);
    for (const Stop& stop : stops_) {
        if (stop.watch && stop.place == at) {
            reply_ += "watch " + std::to_string(stop.number) + " is already on " +
                      std::string(name) + "\n";
            return;
        }
    }
    stops_.push_back({nextNumber_++, true, at, std::string(name)});
    machine_.addWatch(at);
    reply_ += "watch " + std::to_string(stops_.back().number) + ": " + std::string(name) +
              " (the word at " + hexWord(at) + ", now " +
              std::to_string(toSigned(machine_.word(at))) + ")\n";
}

}  // namespace koru
