// Box and message text to atoms, as the host's patcher parses words.
#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "host_emulator.h"

namespace vibrel_emu {

namespace {

bool is_integer_word(const std::string &w) {
    std::size_t i = (w[0] == '-' || w[0] == '+') ? 1 : 0;
    if (i == w.size()) return false;
    for (; i < w.size(); i++)
        if (w[i] < '0' || w[i] > '9') return false;
    return true;
}

// Decimal numbers only: words such as "inf", "nan" or "0x10" stay symbols.
bool is_float_word(const std::string &w) {
    bool digit = false;
    for (char ch : w) {
        if (ch >= '0' && ch <= '9')
            digit = true;
        else if (ch != '-' && ch != '+' && ch != '.' && ch != 'e' && ch != 'E')
            return false;
    }
    if (!digit) return false;
    char *end = nullptr;
    std::strtod(w.c_str(), &end);
    return *end == '\0';
}

} // namespace

std::vector<Atom> parse_atoms(const std::string &text) {
    std::vector<Atom> atoms;
    std::istringstream words(text);
    std::string w;
    while (words >> w) {
        if (is_integer_word(w)) {
            errno = 0;
            const long long v = std::strtoll(w.c_str(), nullptr, 10);
            if (errno != ERANGE) {
                atoms.push_back(Atom::of(v));
                continue;
            }
            atoms.push_back(Atom::of(std::strtod(w.c_str(), nullptr))); // too long for an integer
        } else if (is_float_word(w)) {
            atoms.push_back(Atom::of(std::strtod(w.c_str(), nullptr)));
        } else {
            atoms.push_back(Atom::sym(w));
        }
    }
    return atoms;
}

} // namespace vibrel_emu
