#pragma once
// Which addresses from outside (the catalogue) may be opened in the browser.

#include <string>

namespace zema {

// True only for an absolute http:// or https:// address (scheme in any
// letter case, a host after it) without control characters or an embedded
// NUL. Anything else handed to the shell could start a program, a file or a
// share with the program's rights.
bool IsWebLink(const std::string& address);

}  // namespace zema
