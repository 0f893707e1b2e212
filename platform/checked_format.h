#pragma once

#include <concepts>
#include <initializer_list>
#include <string>
#include <string_view>

// One value for a language text that is used as a format.
class FormatArg {
public:
    enum class Kind { Integer, Real, Text };

    template <std::integral T>
    FormatArg(T value) : kind_(Kind::Integer), integer_(static_cast<long long>(value)) {}
    FormatArg(double value) : kind_(Kind::Real), real_(value) {}
    FormatArg(std::wstring_view text) : kind_(Kind::Text), text_(text) {}
    FormatArg(const wchar_t* text) : kind_(Kind::Text), text_(text ? text : L"") {}
    FormatArg(const std::wstring& text) : kind_(Kind::Text), text_(text) {}

    Kind kind() const { return kind_; }
    long long integer() const { return integer_; }
    double real() const { return real_; }
    std::wstring_view text() const { return text_; }

private:
    Kind kind_;
    long long integer_ = 0;
    double real_ = 0;
    std::wstring_view text_;
};

// Fills a format that comes from a language file, which a translator may have
// broken. Only "%d" and "%i" (an integer), "%s", "%ls" and "%S" (a text), "%f" and
// "%.<digit>f" (a real) are filled, each from the next value and only when that
// value is of the kind the conversion names; "%%" gives one "%". Everything else,
// including a conversion left without a fitting value, is copied as written, so
// no file can make the program read a value it was not given.
std::wstring FormatChecked(std::wstring_view format, std::initializer_list<FormatArg> args);
