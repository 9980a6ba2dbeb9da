#pragma once

#include <string>

namespace zema {

// The command line upper-cased once, so every switch test ignores case.
class CommandLine {
public:
    explicit CommandLine(const std::string& raw);

    // True when "-NAME" or "/NAME" occurs anywhere, also inside a longer word.
    bool HasSwitch(const char* upperName) const;
    bool Tray() const { return HasSwitch("TRAY"); }
    bool Updated() const { return HasSwitch("UPDATED"); }
    const std::string& Text() const { return upper_; }

private:
    std::string upper_;
};

}  // namespace zema
