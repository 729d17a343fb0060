// An independent model of HTML entity text, written from the rules of the
// format rather than from the codec: the decoder's walk and number reading,
// and the encoder's choice per UTF-16 unit. Only the entity table itself
// (data, not logic) is shared with the code under test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "charset/html_entities.h"

// The code unit a name between '&' and ';' stands for, 0 for none.
inline std::uint16_t modelEntityCode(const std::string& name) {
  for (const htmlEntityS& row : htmlEntityTable) {
    if (name == row.name) return row.code;
  }
  if (name == "quot") return 34;
  if (name == "amp") return 38;
  if (name == "lt") return 60;
  if (name == "gt") return 62;
  bool hexadecimal = true;
  std::uint32_t value = 0;
  int digits = 0;
  for (std::size_t p = 0; p < name.size(); ++p) {
    const char c = name[p];
    if (p == 0 && c == '#') {
      hexadecimal = false;
      continue;
    }
    if (p == 1 && c == 'x') {
      hexadecimal = true;
      continue;
    }
    std::uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<std::uint32_t>(c - '0');
    } else if (hexadecimal && c >= 'a' && c <= 'f') {
      digit = static_cast<std::uint32_t>(c - 'a' + 10);
    } else if (hexadecimal && c >= 'A' && c <= 'F') {
      digit = static_cast<std::uint32_t>(c - 'A' + 10);
    } else {
      return 0;
    }
    value = value * (hexadecimal ? 16u : 10u) + digit;
    ++digits;
  }
  return digits == 0 ? 0 : static_cast<std::uint16_t>(value & 0xFFFF);
}

// Big-endian UTF-16 with the mark FE FF for `text`, or false where the
// decoder must refuse it.
inline bool modelDecode(const std::string& text, bool withTags, std::string* units) {
  std::string out = "\xFE\xFF";
  auto put = [&out](std::uint16_t unit) {
    out += static_cast<char>(unit >> 8);
    out += static_cast<char>(unit & 0xFF);
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (withTags && (b == '<' || b == '>')) {
      put(b);
      put(b);
    } else if (b != '&') {
      put(b);
    } else {
      const std::size_t close = text.find(';', i + 1);
      // At most 18 name bytes: the ';' is one of the 19 bytes after '&'.
      if (close == std::string::npos || close - i > 19) return false;
      const std::uint16_t code = modelEntityCode(text.substr(i + 1, close - i - 1));
      if (code == 0 || code == 0xFEFF || code == 0xFFFE) return false;
      put(code);
      i = close;
    }
  }
  *units = out;
  return true;
}

// The entity text for big-endian UTF-16 units (no mark); an odd last byte
// is ignored.
inline std::string modelEncode(const std::string& units, bool withTags) {
  std::string out;
  const std::size_t count = units.size() / 2;
  auto unitAt = [&units](std::size_t k) {
    return static_cast<std::uint16_t>((static_cast<unsigned char>(units[2 * k]) << 8) |
                                      static_cast<unsigned char>(units[2 * k + 1]));
  };
  for (std::size_t k = 0; k < count; ++k) {
    const std::uint16_t c = unitAt(k);
    if (c == '<' || c == '>') {
      if (withTags && k + 1 < count && unitAt(k + 1) == c) {
        out += static_cast<char>(c);
        ++k;
      } else {
        out += c == '<' ? "&lt;" : "&gt;";
      }
    } else if (c == '"') {
      out += "&quot;";
    } else if (c == '&') {
      out += "&amp;";
    } else if (c > 127) {
      std::string name;
      for (const htmlEntityS& row : htmlEntityTable) {
        if (row.code == c) {
          name = row.name;
          break;
        }
      }
      if (name.empty()) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "#x%04x", c);
        name = hex;
      }
      out += "&" + name + ";";
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}
