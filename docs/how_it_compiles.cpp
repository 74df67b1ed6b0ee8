// Writes the page "How each construct compiles" from the programs in docs/constructs/.
// Each NAME.lumo there is compiled with the real lumoc, and the assembly it wrote is shown
// beside the explanation kept in NAME.md. The explanation names every line it explains,
// and those names must be exactly the lines lumoc wrote, in order: when the compiler's
// output changes, the build stops here and says which line, instead of leaving the page
// out of date.
//
// usage: how_it_compiles LUMOC CONSTRUCTS_DIR OUTPUT.md
//
// A fragment NAME.md is markdown: a first line "# Title", prose, and then a marker line,
// "<!-- line by line -->" for the data and the code from "main" up to the footer, or
// "<!-- line by line: whole program -->" for everything lumoc wrote. After the marker
// each explanation is a list item: "- ", one or more assembly lines in backquotes, a
// colon and the text; the lines up to the next item continue the text.
// Assembly lines are compared without their leading tab and with every run of blanks
// taken as one space, so `POP B` names "\tPOP  B". Empty lines of the assembly are not
// explained. The file intro.md, when present, opens the page.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

const char* const wholeProgramMarker = "<!-- line by line: whole program -->";
const char* const codeMarker = "<!-- line by line -->";

[[noreturn]] void fail(const std::string& where, const std::string& message) {
    std::cerr << "how_it_compiles: " << where << ": " << message << "\n";
    std::exit(1);
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) fail(path.string(), "cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The form in which an explanation names an assembly line.
std::string normalised(const std::string& line) {
    std::string result;
    bool blank = false;
    for (char c : line) {
        if (c == ' ' || c == '\t') {
            blank = true;
            continue;
        }
        if (blank && !result.empty()) result += ' ';
        blank = false;
        result += c;
    }
    return result;
}

// Runs lumoc with `source` as its standard input and returns what it wrote.
std::string compile(const std::string& lumoc, const fs::path& source) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) fail(source.string(), "no pipe for lumoc");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, source.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    std::vector<char*> argv{const_cast<char*>(lumoc.c_str()), nullptr};
    pid_t pid;
    const int spawned = posix_spawn(&pid, lumoc.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) fail(lumoc, "cannot be started");
    std::string out;
    char buffer[4096];
    ssize_t got;
    while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0) out.append(buffer, got);
    close(pipeEnds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fail(source.string(), "lumoc rejected it:\n" + out);
    }
    return out;
}

// The lines of lumoc's output that a construct's section shows: [first, last).
struct Shown {
    std::size_t first = 0;
    std::size_t last = 0;
};

// The header ends with the empty line after the second message; the footer starts at the
// HALT that comes just before the overflow handler.
Shown codeLines(const std::vector<std::string>& lines, const std::string& where) {
    Shown shown;
    std::size_t headerEnd = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("_Edividebyzero", 0) == 0) {
            headerEnd = i + 1;
            break;
        }
    }
    std::size_t footer = lines.size();
    for (std::size_t i = lines.size(); i-- > headerEnd;) {
        if (lines[i] == "\tHALT" && i + 2 < lines.size() &&
            lines[i + 2] == "\tMOVE #_Eintegeroverflow,A") {
            footer = i;
            break;
        }
    }
    if (headerEnd == lines.size() || footer == lines.size()) {
        fail(where, "lumoc's output has no header or no footer where they are expected");
    }
    while (headerEnd < footer && lines[headerEnd].empty()) ++headerEnd;
    shown.first = headerEnd;
    shown.last = footer;
    return shown;
}

struct Explanation {
    std::vector<std::string> lines;  // as the fragment names them, normalised
    std::string text;
};

struct Fragment {
    std::string title;
    std::string prose;
    bool wholeProgram = false;
    std::vector<Explanation> explanations;
};

Fragment parseFragment(const fs::path& path) {
    Fragment fragment;
    const std::vector<std::string> lines = splitLines(readFile(path));
    if (lines.empty() || lines[0].rfind("# ", 0) != 0) {
        fail(path.string(), "must start with a line \"# Title\"");
    }
    fragment.title = lines[0].substr(2);
    std::size_t i = 1;
    for (; i < lines.size(); ++i) {
        if (lines[i] == wholeProgramMarker || lines[i] == codeMarker) break;
        fragment.prose += lines[i] + "\n";
    }
    if (i == lines.size()) fail(path.string(), std::string("has no line ") + codeMarker);
    while (fragment.prose.size() >= 2 &&
           fragment.prose.compare(fragment.prose.size() - 2, 2, "\n\n") == 0) {
        fragment.prose.pop_back();
    }
    fragment.wholeProgram = lines[i] == wholeProgramMarker;
    for (++i; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty()) continue;
        if (line.rfind("- ", 0) != 0) {
            if (fragment.explanations.empty()) {
                fail(path.string() + ":" + std::to_string(i + 1),
                     "an explanation must be a list item starting with the assembly lines it "
                     "explains");
            }
            std::string& text = fragment.explanations.back().text;
            text += (text.empty() ? "" : " ") + trimmed(line);
            continue;
        }
        if (line.size() < 3 || line[2] != '`') {
            fail(path.string() + ":" + std::to_string(i + 1),
                 "an explanation must start with the assembly lines it explains");
        }
        Explanation explanation;
        std::size_t at = 2;
        for (;;) {
            const std::size_t close = line.find('`', at + 1);
            if (close == std::string::npos) {
                fail(path.string() + ":" + std::to_string(i + 1), "unclosed backquote");
            }
            explanation.lines.push_back(normalised(line.substr(at + 1, close - at - 1)));
            at = close + 1;
            if (at < line.size() && line[at] == ':') break;
            while (at < line.size() && line[at] == ' ') ++at;
            if (at == line.size() || line[at] != '`') {
                fail(path.string() + ":" + std::to_string(i + 1),
                     "a colon must follow the assembly lines an explanation names");
            }
        }
        explanation.text = trimmed(line.substr(at + 1));
        fragment.explanations.push_back(explanation);
    }
    return fragment;
}

std::string tableCell(const std::string& text) {
    std::string cell;
    for (char c : text) {
        if (c == '|') cell += '\\';
        cell += c == '\t' ? ' ' : c;
    }
    return cell;
}

// The name of a construct's section: its file name without the number that orders it.
std::string anchor(const std::string& stem) {
    std::size_t start = 0;
    while (start < stem.size() && (std::isdigit(static_cast<unsigned char>(stem[start])) ||
                                   stem[start] == '_' || stem[start] == '-')) {
        ++start;
    }
    std::string id = stem.substr(start);
    std::replace(id.begin(), id.end(), '_', '-');
    return id;
}

fs::path fragmentOf(const fs::path& program) {
    return fs::path(program).replace_extension(".md");
}

std::string section(const std::string& lumoc, const fs::path& program, const Fragment& fragment) {
    const std::string where = fragmentOf(program).string();
    const std::string source = readFile(program);
    const std::vector<std::string> lines = splitLines(compile(lumoc, program));
    Shown shown{0, lines.size()};
    if (!fragment.wholeProgram) shown = codeLines(lines, where);

    std::ostringstream table;
    table << "| Assembly | What it does |\n|---|---|\n";
    std::size_t next = shown.first;
    auto skipEmpty = [&] {
        while (next < shown.last && lines[next].empty()) ++next;
    };
    for (const Explanation& explanation : fragment.explanations) {
        std::string cell;
        for (const std::string& named : explanation.lines) {
            skipEmpty();
            if (next == shown.last) {
                fail(where, "explains `" + named + "`, which lumoc did not write");
            }
            if (normalised(lines[next]) != named) {
                fail(where, "explains `" + named + "` where lumoc wrote `" +
                                normalised(lines[next]) + "` (line " + std::to_string(next + 1) +
                                " of its output)");
            }
            const std::string& written = lines[next];
            cell += (cell.empty() ? "" : "<br>") + std::string("`") +
                    tableCell(written[0] == '\t' ? written.substr(1) : written) + "`";
            ++next;
        }
        table << "| " << cell << " | " << tableCell(explanation.text) << " |\n";
    }
    skipEmpty();
    if (next != shown.last) {
        fail(where, "does not explain `" + normalised(lines[next]) + "` (line " +
                        std::to_string(next + 1) + " of lumoc's output) and what follows it");
    }

    std::ostringstream out;
    out << "<a id=\"" << anchor(program.stem().string()) << "\"></a>\n\n";
    out << "## " << fragment.title << "\n" << fragment.prose;
    out << "\n```lumo\n" << source << (source.empty() || source.back() == '\n' ? "" : "\n");
    out << "```\n\n";
    out << (fragment.wholeProgram ? "What lumoc writes, in full:\n"
                                  : "What lumoc writes, without the header and the footer:\n");
    out << "\n```asm\n";
    for (std::size_t i = shown.first; i < shown.last; ++i) out << lines[i] << "\n";
    out << "```\n\n" << table.str() << "\n";
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: how_it_compiles LUMOC CONSTRUCTS_DIR OUTPUT.md\n";
        return 2;
    }
    const std::string lumoc = argv[1];
    const fs::path dir = argv[2];
    std::vector<fs::path> programs;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == ".lumo") programs.push_back(entry.path());
    }
    std::sort(programs.begin(), programs.end());
    if (programs.empty()) fail(dir.string(), "holds no .lumo program");
    std::vector<Fragment> fragments;
    for (const fs::path& program : programs) {
        if (!fs::exists(fragmentOf(program))) {
            fail(program.string(), "has no explanation beside it");
        }
        fragments.push_back(parseFragment(fragmentOf(program)));
    }

    std::ostringstream page;
    page << "# How each construct compiles\n\n";
    page << "<!-- Written by the build from docs/constructs/ and the output of lumoc: edit those,"
            " not this page. -->\n\n";
    if (fs::exists(dir / "intro.md")) page << readFile(dir / "intro.md") << "\n";
    page << "## Contents\n\n";
    for (std::size_t i = 0; i < programs.size(); ++i) {
        page << "- [" << fragments[i].title << "](#" << anchor(programs[i].stem().string())
             << ")\n";
    }
    page << "\n";
    for (std::size_t i = 0; i < programs.size(); ++i) {
        page << section(lumoc, programs[i], fragments[i]);
    }

    const std::string text = page.str();
    std::ofstream out(argv[3], std::ios::binary);
    out << text;
    out.close();
    if (!out) fail(argv[3], "cannot be written");
    return 0;
}
