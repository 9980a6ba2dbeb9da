#include "zema/core/command_line.h"

#include <cctype>

namespace zema {

CommandLine::CommandLine(const std::string& raw) : upper_(raw) {
    for (char& c : upper_) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
}

bool CommandLine::HasSwitch(const char* upperName) const {
    std::string name(upperName);
    return upper_.find("-" + name) != std::string::npos ||
           upper_.find("/" + name) != std::string::npos;
}

}  // namespace zema
