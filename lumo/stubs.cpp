#include "cli.hpp"
namespace lumo::cli {
int run(const std::vector<std::string>&) {
    return usage("run", "not yet");
}
int debug(const std::vector<std::string>&) {
    return usage("debug", "not yet");
}
int test(const std::vector<std::string>&) {
    return usage("test", "not yet");
}
int grade(const std::vector<std::string>&) {
    return usage("grade", "not yet");
}
}  // namespace lumo::cli
