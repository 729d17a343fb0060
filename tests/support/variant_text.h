// Variants as readable text for test expectations and failure messages.
#pragma once

#include <cstdio>
#include <string>

#include "runtime/variant.h"

// Tag name and value: "zkVarInt 5", "zkVarString \"x\"", "zkVarBool 0xFF",
// "zkVarObject", "zkVarEmpty"; an unknown tag shows its number and bits.
inline std::string describeVariant(const zkVariantS& v) {
  char buffer[64] = "";
  const char* text = "";
  switch (v.type) {
    case zkVarInt:
      std::snprintf(buffer, sizeof buffer, " %d", static_cast<int>(v.value.intValue));
      break;
    case zkVarDouble:
      std::snprintf(buffer, sizeof buffer, " %.17g", v.value.doubleValue);
      break;
    case zkVarBool:
      std::snprintf(buffer, sizeof buffer, " 0x%02X", static_cast<unsigned>(v.value.boolValue));
      break;
    case zkVarString:
      v.getString(&text);
      return std::string(zkVariantTagName(v.type)) + " \"" + text + "\"";
    case zkVarEmpty:
    case zkVarObject:
    case zkVarArray:
      break;
    default:
      std::snprintf(buffer, sizeof buffer, " (tag %u, bits 0x%llX)", static_cast<unsigned>(v.type),
                    static_cast<unsigned long long>(v.value.bits));
  }
  return zkVariantTagName(v.type) + std::string(buffer);
}

// The text of a string variant, or the described value in angle brackets.
inline std::string variantText(const zkVariantS& v) {
  const char* text = nullptr;
  return v.getString(&text) == 0 ? std::string(text) : "<" + describeVariant(v) + ">";
}
