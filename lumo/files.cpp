#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "cli.hpp"

namespace lumo::cli {

bool readSource(const std::string& path, std::string& text, std::string& error) {
    if (path == "-") {
        std::ostringstream all;
        all << std::cin.rdbuf();
        text = all.str();
        return true;
    }
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = "is a folder";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "read failed";
        return false;
    }
    return true;
}

std::string shownName(const std::string& path) {
    return path == "-" ? "<stdin>" : path;
}

bool writeWhole(const std::string& path, const std::string& data, std::string& error) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    std::string temporary = (slash == std::string::npos ? "" : folder) + ".lumo-XXXXXX";
    const int fd = ::mkstemp(&temporary[0]);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    const char* p = data.data();
    std::size_t left = data.size();
    bool ok = true;
    while (left > 0 && ok) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) {
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    }
    if (!ok) error = std::strerror(errno);
    // mkstemp makes the file private; the output is an ordinary file of the user's.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = std::strerror(errno);
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = std::strerror(errno);
    }
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

bool useColour(const std::string& when, std::FILE* stream) {
    const char* noColour = std::getenv("NO_COLOR");
    if (noColour != nullptr && *noColour != '\0') return false;
    if (when == "always") return true;
    if (when == "never") return false;
    const char* term = std::getenv("TERM");
    if (term != nullptr && std::strcmp(term, "dumb") == 0) return false;
    return ::isatty(::fileno(stream)) != 0;
}

int usage(const std::string& command, const std::string& message) {
    std::cerr << "lumo: " << message << "\nTry 'lumo help" << (command.empty() ? "" : " " + command)
              << "'.\n";
    return usageStatus;
}

bool parseCount(const std::string& text, unsigned long long& value) {
    if (text.empty() || text.size() > 19) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return true;
}

bool optionValue(const std::vector<std::string>& args, std::size_t& i, const char* option,
                 std::string& into) {
    const std::string& a = args[i];
    const std::string prefix = std::string(option) + "=";
    if (a.rfind(prefix, 0) == 0) {
        into = a.substr(prefix.size());
        return true;
    }
    if (a == option && i + 1 < args.size()) {
        into = args[++i];
        return true;
    }
    return false;
}

}  // namespace lumo::cli
