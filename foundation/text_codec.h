#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// A reversible disguise for stored texts: the MD5 of the text (32 upper-case digits)
// followed by RC4 with the program's fixed key over the UTF-16 text, in upper-case
// hexadecimal. Not protection: nothing is checked on decoding.

// Trims the caller's text (in place) and writes its encoded form to `result`.
bool EncodeScrambledString(std::wstring& text, std::wstring& result);
// Replaces an encoded text by the text it holds; false only for a text too short to
// hold the digest prefix.
bool DecodeScrambledString(std::wstring& text);

// RC4 in place with the program's key; the same call enciphers and deciphers.
void Rc4Crypt(BYTE* buffer, size_t length);
// RC4 in place with any key of 1 to 256 bytes; a fresh state on every call.
void Rc4CryptWithKey(BYTE* buffer, size_t length, const BYTE* key, size_t keyLength);

// Two upper-case digits per byte, high nibble first.
void BytesToUpperHex(const BYTE* bytes, size_t count, std::string& out);
// One byte from two digits "0"-"9"/"A"-"F"; at any other character the pair stops
// and keeps the value reached so far.
BYTE HexToBytes(char high, char low);
