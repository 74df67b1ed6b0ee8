#include "lineread.hpp"

#include <utility>

#include "terminal.hpp"

#ifdef KORU_HAVE_LIBEDIT
#include <histedit.h>
#endif

namespace koru {

#ifdef KORU_HAVE_LIBEDIT

struct LineReader::Editor {
    EditLine* line = nullptr;
    History* history = nullptr;
    HistEvent event{};
    std::string prompt;

    static char* promptOf(EditLine* line) {
        void* self = nullptr;
        el_get(line, EL_CLIENTDATA, &self);
        return &static_cast<Editor*>(self)->prompt[0];
    }

    Editor(const char* name, std::string text, std::FILE* in, std::FILE* out)
        : prompt(std::move(text)) {
        line = el_init(name, in, out, stderr);
        history = history_init();
        if (line == nullptr || history == nullptr) return;
        ::history(history, &event, H_SETSIZE, 1000);
        ::history(history, &event, H_SETUNIQUE, 1);
        el_set(line, EL_CLIENTDATA, this);
        el_set(line, EL_PROMPT, &Editor::promptOf);
        el_set(line, EL_EDITOR, "emacs");
        el_set(line, EL_HIST, ::history, history);
        el_source(line, nullptr);
    }

    ~Editor() {
        if (line != nullptr) el_end(line);
        if (history != nullptr) history_end(history);
    }

    bool ready() const { return line != nullptr && history != nullptr; }

    bool read(std::string& text) {
        int count = 0;
        const char* got = el_gets(line, &count);
        if (got == nullptr || count <= 0) return false;
        text.assign(got, static_cast<std::size_t>(count));
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        if (text.find_first_not_of(" \t") != std::string::npos) {
            ::history(history, &event, H_ENTER, text.c_str());
        }
        return true;
    }
};

#else

struct LineReader::Editor {
    Editor(const char*, std::string, std::FILE*, std::FILE*) {}
    bool ready() const { return false; }
    bool read(std::string&) { return false; }
};

#endif

LineReader::LineReader(const char* name, std::string prompt, std::FILE* in, std::FILE* out)
    : prompt_(std::move(prompt)), in_(in), out_(out) {
    if (terminal::isTerminal(in) && terminal::isTerminal(out)) {
        editor_ = std::make_unique<Editor>(name, prompt_, in, out);
        if (!editor_->ready()) editor_.reset();
    }
}

LineReader::~LineReader() = default;

bool LineReader::read(std::string& line) {
    if (editor_ != nullptr) return editor_->read(line);
    std::fputs(prompt_.c_str(), out_);
    std::fflush(out_);
    line.clear();
    int c = 0;
    while ((c = std::getc(in_)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
    if (c == EOF && line.empty()) {
        std::fputc('\n', out_);
        return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!terminal::isTerminal(in_)) std::fprintf(out_, "%s\n", line.c_str());
    return true;
}

}  // namespace koru
