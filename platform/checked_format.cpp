#include "platform/checked_format.h"

#include <cwchar>

namespace {

// The conversion at the start of `rest` (just after a "%"): its length and the
// kind of value it takes. Length 0 means it is no conversion we fill.
struct Conversion {
    size_t length = 0;
    FormatArg::Kind kind = FormatArg::Kind::Integer;
    int precision = 6;
};

Conversion ReadConversion(std::wstring_view rest) {
    auto at = [&](size_t i) { return i < rest.size() ? rest[i] : L'\0'; };
    switch (at(0)) {
    case L'd':
    case L'i':
        return {1, FormatArg::Kind::Integer};
    case L's':
    case L'S':
        return {1, FormatArg::Kind::Text};
    case L'l':
        if (at(1) == L's') return {2, FormatArg::Kind::Text};
        return {};
    case L'f':
        return {1, FormatArg::Kind::Real};
    case L'.':
        if (at(1) >= L'0' && at(1) <= L'9' && at(2) == L'f')
            return {3, FormatArg::Kind::Real, at(1) - L'0'};
        return {};
    default:
        return {};
    }
}

void AppendValue(std::wstring& out, const FormatArg& arg, int precision) {
    switch (arg.kind()) {
    case FormatArg::Kind::Integer:
        out += std::to_wstring(arg.integer());
        break;
    case FormatArg::Kind::Text:
        out += arg.text();
        break;
    case FormatArg::Kind::Real: {
        // Room for the largest double written out whole with a one-digit precision.
        wchar_t buffer[400];
        const int written = swprintf(buffer, std::size(buffer), L"%.*f", precision, arg.real());
        if (written > 0) out.append(buffer, static_cast<size_t>(written));
        break;
    }
    }
}

}  // namespace

std::wstring FormatChecked(std::wstring_view format, std::initializer_list<FormatArg> args) {
    std::wstring out;
    out.reserve(format.size() + 16);
    const FormatArg* next = args.begin();
    size_t i = 0;
    while (i < format.size()) {
        const wchar_t c = format[i];
        if (c != L'%') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == L'%') {
            out += L'%';
            i += 2;
            continue;
        }
        const Conversion conversion = ReadConversion(format.substr(i + 1));
        if (conversion.length == 0 || next == args.end() || next->kind() != conversion.kind) {
            out += L'%';
            ++i;
            continue;
        }
        AppendValue(out, *next, conversion.precision);
        ++next;
        i += 1 + conversion.length;
    }
    return out;
}
