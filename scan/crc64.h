#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// CRC-64 with the ECMA-182 polynomial, most significant bit first, initial value
// and final XOR all ones (check value 0x62EC59E3F1A4F00A for "123456789").
uint64_t Crc64(size_t length, const void* bytes);

// The text lower-cased and trimmed, then Crc64 over its UTF-16LE code units; an
// empty text is taken as its two terminator bytes.
uint64_t Crc64OfText(const std::wstring& text);
