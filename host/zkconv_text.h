// How zkconv names things in its one-line messages.
//
// Every name a message echoes (files, character sets, options) goes through
// escapedName, so a control character in a name cannot break the line or
// forge a second message: newline, carriage return and tab become "\n",
// "\r" and "\t", every other byte below 32 and 127 become "\xHH". All other
// bytes pass unchanged (backslashes too, which Windows paths are full of).
#pragma once

#include <cstdint>
#include <string>

std::string escapedName(const std::string& name);

// "standard input" for "-", otherwise the escaped file name.
std::string describeInput(const std::string& name);

// "U+00E9": a code point as messages show it, at least four hex digits.
std::string codePointText(std::uint32_t codePoint);
