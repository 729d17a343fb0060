// The entity table and the two name lookups.
#include "charset/html_entities.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct groupS {
  const char* label;
  size_t firstRow;
  size_t rows;
  const char* firstName;
  uint16_t firstCode;
  const char* lastName;
  uint16_t lastCode;
};

TEST(HtmlEntityTable, GroupsInOrder) {
  ASSERT_EQ(187u, htmlEntityCount);
  const groupS groups[] = {
      {"Greek", 0, 52, "Alpha", 913, "piv", 982},
      {"mathematical", 52, 39, "forall", 8704, "loz", 9674},
      {"Latin-1", 91, 96, "nbsp", 160, "yuml", 255},
  };
  size_t total = 0;
  for (const groupS& group : groups) {
    SCOPED_TRACE(group.label);
    const htmlEntityS& first = htmlEntityTable[group.firstRow];
    const htmlEntityS& last = htmlEntityTable[group.firstRow + group.rows - 1];
    EXPECT_STREQ(group.firstName, first.name);
    EXPECT_EQ(group.firstCode, first.code);
    EXPECT_STREQ(group.lastName, last.name);
    EXPECT_EQ(group.lastCode, last.code);
    total += group.rows;
  }
  EXPECT_EQ(htmlEntityCount, total);
}

TEST(HtmlEntityTable, Latin1RowsRunFrom160To255) {
  for (size_t n = 1; n <= 96; ++n) {
    SCOPED_TRACE(htmlEntityTable[90 + n].name);
    EXPECT_EQ(159 + n, htmlEntityTable[90 + n].code);
  }
}

// A walk from the first row to the last, as the lookups must answer.
const htmlEntityS* firstRowWithCode(uint16_t code) {
  for (const htmlEntityS& row : htmlEntityTable) {
    if (row.code == code) return &row;
  }
  return nullptr;
}

const htmlEntityS* firstRowWithName(const char* name) {
  for (const htmlEntityS& row : htmlEntityTable) {
    if (std::strcmp(row.name, name) == 0) return &row;
  }
  return nullptr;
}

TEST(EntityNameForCode, FixedNamesTableRowsAndHexForm) {
  const struct {
    uint16_t code;
    const char* name;
  } cases[] = {
      {62, "gt"}, {60, "lt"}, {38, "amp"}, {34, "quot"},
      {233, "eacute"}, {160, "nbsp"}, {8743, "and"}, {8869, "perp"}, {977, "thetasym"},
      {8364, "#x20ac"},  // euro sign: no row
      {338, "#x0152"},   // four digits with a leading zero
      {65, "#x0041"},    // below 128 only the four fixed names exist
      {0xFFFF, "#xffff"},
      {0xD83D, "#xd83d"},  // surrogate units are ordinary codes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_STREQ(c.name, entityNameForCode(c.code).text);
  }
}

TEST(EntityNameForCode, EveryCodeMatchesALinearWalk) {
  for (uint32_t code = 0; code <= 0xFFFF; ++code) {
    const htmlEntityS* row = firstRowWithCode(static_cast<uint16_t>(code));
    if (row == nullptr || code == 34 || code == 38 || code == 60 || code == 62) continue;
    ASSERT_STREQ(row->name, entityNameForCode(static_cast<uint16_t>(code)).text) << code;
  }
}

TEST(EntityCodeForName, EveryRowNameGivesTheFirstRowCode) {
  for (const htmlEntityS& row : htmlEntityTable) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(firstRowWithName(row.name)->code, entityCodeForName(row.name));
  }
}

TEST(EntityCodeForName, FixedNamesNumbersAndFailures) {
  const struct {
    const char* name;
    uint16_t code;
  } cases[] = {
      {"quot", 34}, {"amp", 38}, {"lt", 60}, {"gt", 62},
      {"eacute", 233}, {"Eacute", 201},
      {"#233", 233},      // decimal
      {"#xe9", 233},      // hexadecimal after '#x'
      {"e9", 233},        // bare hexadecimal digits
      {"41", 65},         // bare digits are hexadecimal
      {"#x41", 65},
      {"0x41", 65},       // 'x' at position 1 is a mode switch, not a digit
      {"#65601", 65},     // modulo 65536
      {"#X41", 0},        // upper-case X is no switch
      {"#0", 0},          // zero counts as no code
      {"#65536", 0},
      {"#1a", 0},         // letters are not decimal digits
      {"#", 0}, {"#x", 0}, {"", 0},
      {"nosuch", 0},
      {"AMP", 0},         // letter case counts for names
      {"x41", 0},         // 'x' at position 0 is no digit
      {"4#1", 0},         // '#' only at position 0
      {"FFFF", 0xFFFF},   // upper-case hexadecimal digits
      {"#x1000000041", 0x41},  // long numbers wrap, keeping the value modulo 65536
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.code, entityCodeForName(c.name));
  }
}

TEST(EntityCodeForName, CountedNameStopsAtItsLengthAndRejectsZeroBytes) {
  EXPECT_EQ(38, entityCodeForName("amp;rest", 3));
  EXPECT_EQ(0, entityCodeForName(std::string("amp\0x", 5).data(), 5));
  EXPECT_EQ(0, entityCodeForName(std::string("41\0", 3).data(), 3));
  EXPECT_EQ(0, entityCodeForName(nullptr));
}

}  // namespace
