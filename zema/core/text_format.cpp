#include "zema/core/text_format.h"

namespace zema {

std::string FormatNumbers(const std::string& format, std::initializer_list<long long> numbers) {
    std::string out;
    out.reserve(format.size() + 16);
    auto next = numbers.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        char directive = format[i + 1];
        if (directive == '%') {
            out += '%';
            ++i;
        } else if ((directive == 'd' || directive == 'i' || directive == 'u') &&
                   next != numbers.end()) {
            out += std::to_string(*next++);
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace zema
