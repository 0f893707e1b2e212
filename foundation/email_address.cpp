#include "foundation/email_address.h"

namespace {

constexpr std::string_view kSpecials = "()<>@,;:\\\"[]";

bool IsForbidden(unsigned char c) { return c < 33 || c == 127 || kSpecials.find(static_cast<char>(c)) != kSpecials.npos; }

bool IsControlOrBlank(unsigned char c) { return c < 33 || c == 127; }

}  // namespace

bool IsValidEmailAddress(std::string_view address) {
    const size_t size = address.size();
    size_t i = 0;
    // Local part: up to the first "@" outside quotes.
    while (i < size && address[i] != '@') {
        const unsigned char c = static_cast<unsigned char>(address[i]);
        const bool quoteMayStart = i == 0 || address[i - 1] == '.' || address[i - 1] == '"';
        if (c == '"' && quoteMayStart) {
            ++i;
            bool closed = false;
            while (i < size) {
                const unsigned char inner = static_cast<unsigned char>(address[i]);
                if (inner == '"') {
                    closed = true;
                    break;
                }
                if (inner == '\\') {
                    // An escape needs a character to escape; a blank may be escaped.
                    if (i + 1 >= size) return false;
                    ++i;
                    if (address[i] == ' ') {
                        ++i;
                        continue;
                    }
                }
                if (IsControlOrBlank(static_cast<unsigned char>(address[i]))) return false;
                ++i;
            }
            if (!closed) return false;
            ++i;  // past the closing quote
            if (i >= size) return false;
            if (address[i] == '@') break;
            if (address[i] != '.') return false;
            ++i;
            continue;
        }
        if (IsForbidden(c)) return false;
        ++i;
    }
    if (i == 0 || i >= size || address[i - 1] == '.') return false;

    const size_t domainStart = ++i;
    if (domainStart >= size) return false;
    int dots = 0;
    for (; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(address[i]);
        if (c == '.') {
            if (i == domainStart || address[i - 1] == '.') return false;
            ++dots;
        }
        if (IsForbidden(c)) return false;
    }
    return dots >= 1;
}
