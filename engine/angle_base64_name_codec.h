#pragma once

#include <string>
#include <string_view>

// Cabinet member names may carry UTF-16 text that an 8-bit name cannot hold as a
// run of Base64 between "<" and ">". Decoding turns such a name into UTF-16.
class AngleBase64NameCodec {
public:
    std::wstring Decode(std::string_view name) const;
};

// True when an 8-bit name holds an encoded run ("<").
bool HasEncodedNameRun(std::string_view name);
