// Named HTML character entities: the table and its two lookups.
//
// The table is searched in row order, the first match winning. Because the
// encoder and decoder look up one name per character, both lookups go
// through indexes built once from the table on first use: an array from
// code unit to the first row with that code, and the row numbers sorted by
// name (stably, so equal names keep row order). They answer exactly what a
// walk from the first row to the last would.
#include "charset/html_entities.h"

#include <cstring>

const htmlEntityS htmlEntityTable[htmlEntityCount] = {
    // Greek letters and symbols (52 rows).
    {"Alpha", 913},
    {"alpha", 945},
    {"Beta", 914},
    {"beta", 946},
    {"Gamma", 915},
    {"gamma", 947},
    {"Delta", 916},
    {"delta", 948},
    {"Epsilon", 917},
    {"epsilon", 949},
    {"Zeta", 918},
    {"zeta", 950},
    {"Eta", 919},
    {"eta", 951},
    {"Theta", 920},
    {"theta", 952},
    {"Iota", 921},
    {"iota", 953},
    {"Kappa", 922},
    {"kappa", 954},
    {"Lambda", 923},
    {"lambda", 955},
    {"Mu", 924},
    {"mu", 956},
    {"Nu", 925},
    {"nu", 957},
    {"Xi", 926},
    {"xi", 958},
    {"Omicron", 927},
    {"omicron", 959},
    {"Pi", 928},
    {"pi", 960},
    {"Rho", 929},
    {"rho", 961},
    {"Sigma", 931},
    {"sigmaf", 962},
    {"sigma", 963},
    {"Tau", 932},
    {"tau", 964},
    {"Upsilon", 933},
    {"upsilon", 965},
    {"Phi", 934},
    {"phi", 966},
    {"Chi", 935},
    {"chi", 967},
    {"Psi", 936},
    {"psi", 968},
    {"Omega", 937},
    {"omega", 969},
    {"thetasym", 977},
    {"upsih", 978},
    {"piv", 982},
    // Mathematical symbols (39 rows).
    {"forall", 8704},
    {"part", 8706},
    {"exist", 8707},
    {"empty", 8709},
    {"nabla", 8711},
    {"isin", 8712},
    {"notin", 8713},
    {"ni", 8715},
    {"prod", 8719},
    {"sum", 8721},
    {"minus", 8722},
    {"lowast", 8727},
    {"radic", 8730},
    {"prop", 8733},
    {"infin", 8734},
    {"ang", 8736},
    {"and", 8743},
    {"or", 8744},
    {"cap", 8745},
    {"cup", 8746},
    {"int", 8747},
    {"there4", 8756},
    {"sim", 8764},
    {"cong", 8773},
    {"asymp", 8776},
    {"ne", 8800},
    {"equiv", 8801},
    {"le", 8804},
    {"ge", 8805},
    {"sub", 8834},
    {"sup", 8835},
    {"nsub", 8836},
    {"sube", 8838},
    {"supe", 8839},
    {"oplus", 8853},
    {"otimes", 8855},
    {"perp", 8869},
    {"sdot", 8901},
    {"loz", 9674},
    // Latin-1 (96 rows), codes 160 to 255.
    {"nbsp", 160},
    {"iexcl", 161},
    {"cent", 162},
    {"pound", 163},
    {"curren", 164},
    {"yen", 165},
    {"brvbar", 166},
    {"sect", 167},
    {"uml", 168},
    {"copy", 169},
    {"ordf", 170},
    {"laquo", 171},
    {"not", 172},
    {"shy", 173},
    {"reg", 174},
    {"macr", 175},
    {"deg", 176},
    {"plusmn", 177},
    {"sup2", 178},
    {"sup3", 179},
    {"acute", 180},
    {"micro", 181},
    {"para", 182},
    {"middot", 183},
    {"cedil", 184},
    {"sup1", 185},
    {"ordm", 186},
    {"raquo", 187},
    {"frac14", 188},
    {"frac12", 189},
    {"frac34", 190},
    {"iquest", 191},
    {"Agrave", 192},
    {"Aacute", 193},
    {"Acirc", 194},
    {"Atilde", 195},
    {"Auml", 196},
    {"Aring", 197},
    {"AElig", 198},
    {"Ccedil", 199},
    {"Egrave", 200},
    {"Eacute", 201},
    {"Ecirc", 202},
    {"Euml", 203},
    {"Igrave", 204},
    {"Iacute", 205},
    {"Icirc", 206},
    {"Iuml", 207},
    {"ETH", 208},
    {"Ntilde", 209},
    {"Ograve", 210},
    {"Oacute", 211},
    {"Ocirc", 212},
    {"Otilde", 213},
    {"Ouml", 214},
    {"times", 215},
    {"Oslash", 216},
    {"Ugrave", 217},
    {"Uacute", 218},
    {"Ucirc", 219},
    {"Uuml", 220},
    {"Yacute", 221},
    {"THORN", 222},
    {"szlig", 223},
    {"agrave", 224},
    {"aacute", 225},
    {"acirc", 226},
    {"atilde", 227},
    {"auml", 228},
    {"aring", 229},
    {"aelig", 230},
    {"ccedil", 231},
    {"egrave", 232},
    {"eacute", 233},
    {"ecirc", 234},
    {"euml", 235},
    {"igrave", 236},
    {"iacute", 237},
    {"icirc", 238},
    {"iuml", 239},
    {"eth", 240},
    {"ntilde", 241},
    {"ograve", 242},
    {"oacute", 243},
    {"ocirc", 244},
    {"otilde", 245},
    {"ouml", 246},
    {"divide", 247},
    {"oslash", 248},
    {"ugrave", 249},
    {"uacute", 250},
    {"ucirc", 251},
    {"uuml", 252},
    {"yacute", 253},
    {"thorn", 254},
    {"yuml", 255},
};

namespace {

// Compares the counted text (text, length) with a zero-terminated name the
// way strcmp orders texts; a zero byte inside `text` never matches the end of
// `name`, so names with embedded zeros find nothing.
int compareName(const char* text, size_t length, const char* name) {
  for (size_t i = 0; i < length; ++i) {
    const unsigned char a = static_cast<unsigned char>(text[i]);
    const unsigned char b = static_cast<unsigned char>(name[i]);
    if (b == 0) return 1;
    if (a != b) return a < b ? -1 : 1;
  }
  return name[length] == 0 ? 0 : -1;
}

// "#x" and four hexadecimal digits.
constexpr size_t numericNameLength = 6;

const char* fixedNameForCode(uint16_t code) {
  switch (code) {
    case 62:
      return "gt";
    case 60:
      return "lt";
    case 38:
      return "amp";
    case 34:
      return "quot";
    default:
      return nullptr;
  }
}

// FNV-1a over the counted text.
uint32_t nameHash(const char* text, size_t length) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < length; ++i) {
    hash = (hash ^ static_cast<unsigned char>(text[i])) * 16777619u;
  }
  return hash;
}

struct entityIndexS {
  static constexpr uint16_t codeLimit = 9675;  // above every code in the table
  static constexpr size_t nameSlots = 512;     // a power of two, over twice the rows
  uint8_t rowByCode[codeLimit];                // first row + 1, 0 = none
  uint8_t rowByName[nameSlots];                // open addressing by nameHash: first row + 1, 0 = empty
  uint8_t nameLengthByCode[0x10000];           // what writeEntityName writes for each code

  entityIndexS() : rowByCode(), rowByName(), nameLengthByCode() {
    static_assert(htmlEntityCount < 255, "row numbers + 1 fit one byte");
    static_assert(htmlEntityCount < nameSlots, "the name slots never fill");
    for (size_t row = htmlEntityCount; row-- > 0;) {
      rowByCode[htmlEntityTable[row].code] = static_cast<uint8_t>(row + 1);
    }
    for (uint32_t code = 0; code <= 0xFFFF; ++code) {
      const char* fixed = fixedNameForCode(static_cast<uint16_t>(code));
      const htmlEntityS* row = rowForCode(static_cast<uint16_t>(code));
      nameLengthByCode[code] = static_cast<uint8_t>(fixed != nullptr ? std::strlen(fixed)
                                                    : row != nullptr ? std::strlen(row->name)
                                                                     : numericNameLength);
    }
    // Rows go in in table order, so a name held by several rows finds the
    // first.
    for (size_t row = 0; row < htmlEntityCount; ++row) {
      const char* name = htmlEntityTable[row].name;
      if (rowForName(name, std::strlen(name)) == nullptr) {
        rowByName[emptySlotFor(name, std::strlen(name))] = static_cast<uint8_t>(row + 1);
      }
    }
  }

  const htmlEntityS* rowForCode(uint16_t code) const {
    if (code >= codeLimit || rowByCode[code] == 0) return nullptr;
    return &htmlEntityTable[rowByCode[code] - 1];
  }

  const htmlEntityS* rowForName(const char* name, size_t length) const {
    for (size_t slot = nameHash(name, length) & (nameSlots - 1); rowByName[slot] != 0;
         slot = (slot + 1) & (nameSlots - 1)) {
      const htmlEntityS& row = htmlEntityTable[rowByName[slot] - 1];
      if (compareName(name, length, row.name) == 0) return &row;
    }
    return nullptr;
  }

 private:
  size_t emptySlotFor(const char* name, size_t length) const {
    size_t slot = nameHash(name, length) & (nameSlots - 1);
    while (rowByName[slot] != 0) slot = (slot + 1) & (nameSlots - 1);
    return slot;
  }
};

const entityIndexS& entityIndex() {
  static const entityIndexS index;
  return index;
}

uint16_t fixedCodeForName(const char* name, size_t length) {
  static const htmlEntityS fixed[] = {{"quot", 34}, {"amp", 38}, {"lt", 60}, {"gt", 62}};
  for (const htmlEntityS& entity : fixed) {
    if (compareName(name, length, entity.name) == 0) return entity.code;
  }
  return 0;
}

// Reads a numeric entity name; 0 for none (see entityCodeForName).
uint16_t numericCodeForName(const char* name, size_t length) {
  bool hexadecimal = true;
  uint32_t value = 0;
  size_t digits = 0;
  for (size_t position = 0; position < length; ++position) {
    const char c = name[position];
    uint32_t digit;
    if (c == '#' && position == 0) {
      hexadecimal = false;
      continue;
    } else if (c == 'x' && position == 1) {
      hexadecimal = true;
      continue;
    } else if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (hexadecimal && c >= 'a' && c <= 'f') {
      digit = static_cast<uint32_t>(c - 'a' + 10);
    } else if (hexadecimal && c >= 'A' && c <= 'F') {
      digit = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      return 0;
    }
    // Unsigned arithmetic wraps modulo 2^32, which keeps the value modulo
    // 65536 exact for both bases.
    value = value * (hexadecimal ? 16u : 10u) + digit;
    ++digits;
  }
  return digits == 0 ? 0 : static_cast<uint16_t>(value & 0xFFFFu);
}

}  // namespace

size_t writeEntityName(uint16_t code, char* out) {
  const entityIndexS& index = entityIndex();
  const char* name = fixedNameForCode(code);
  if (name == nullptr) {
    const htmlEntityS* row = index.rowForCode(code);
    if (row != nullptr) name = row->name;
  }
  if (name != nullptr) {
    const size_t length = index.nameLengthByCode[code];
    // The name is one piece of the output text, not a terminated string.
    std::memcpy(out, name, length);  // NOLINT(bugprone-not-null-terminated-result)
    return length;
  }
  static const char hexDigits[] = "0123456789abcdef";
  out[0] = '#';
  out[1] = 'x';
  out[2] = hexDigits[(code >> 12) & 15];
  out[3] = hexDigits[(code >> 8) & 15];
  out[4] = hexDigits[(code >> 4) & 15];
  out[5] = hexDigits[code & 15];
  return numericNameLength;
}

const uint8_t* entityNameLengths() { return entityIndex().nameLengthByCode; }

htmlEntityNameS entityNameForCode(uint16_t code) {
  htmlEntityNameS name{};
  name.text[writeEntityName(code, name.text)] = 0;
  return name;
}

uint16_t entityCodeForName(const char* name, size_t length) {
  if (name == nullptr) return 0;
  // No table or fixed name starts with '#': such a name can only be a number.
  if (length != 0 && name[0] == '#') return numericCodeForName(name, length);
  const htmlEntityS* row = entityIndex().rowForName(name, length);
  if (row != nullptr) return row->code;
  const uint16_t fixed = fixedCodeForName(name, length);
  if (fixed != 0) return fixed;
  return numericCodeForName(name, length);
}

uint16_t entityCodeForName(const char* name) {
  return name == nullptr ? 0 : entityCodeForName(name, std::strlen(name));
}
