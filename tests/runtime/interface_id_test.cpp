// Identifier records: the three comparison rules.
#include "runtime/interface_id.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

zkIIDS makeId(uint32_t length, const char* text) {
  zkIIDS id{};
  id.length = length;
  std::memcpy(id.name, text, std::min(std::strlen(text), sizeof(id.name)));
  return id;
}

std::string describe(const zkIIDS& id) {
  return "{" + std::to_string(id.length) + ", \"" + std::string(id.name, strnlen(id.name, sizeof(id.name))) + "\"}";
}

TEST(InterfaceId, ComparisonRules) {
  const char* unterminated = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";  // fills all 36 bytes
  struct rowS {
    zkIIDS a, b;
    bool equal;
    const char* why;
  };
  const rowS rows[] = {
      {makeId(8, "ZKIIDDSP"), makeId(8, "ZKIIDDSP"), true, "same counted text"},
      {makeId(8, "ZKIIDDSP"), makeId(8, "zkiiddsp"), false, "counted compare is case-sensitive"},
      {makeId(4, "ZKIIxxxx"), makeId(4, "ZKIIyyyy"), true, "counted compares only length bytes"},
      {makeId(8, "ZKIIDDSP"), makeId(0, "ZKIIDDSP"), true, "counted vs uncounted, exact text"},
      {makeId(8, "ZKIIDDSP"), makeId(0, "zkiiddsp"), false, "mixed compare is case-sensitive"},
      {makeId(8, "ZKIIDDSP"), makeId(0, "ZKIIDDSPX"), false, "uncounted text longer than count"},
      {makeId(8, "ZKIIDDSP"), makeId(0, "ZKIIDDS"), false, "uncounted text shorter than count"},
      {makeId(0, "ZKIIDDSP"), makeId(0, "zkiiddsp"), true, "two uncounted ignore case"},
      {makeId(0, "ZKCOMNATPTR"), makeId(0, "ZKCOMNATPT"), false, "uncounted prefix"},
      {makeId(0, ""), makeId(0, ""), true, "two empty uncounted"},
      {makeId(8, "ZKIIDDSP"), makeId(9, "ZKIIDDSP"), false, "different non-zero lengths"},
      {makeId(37, "ZKIIDDSP"), makeId(37, "ZKIIDDSP"), false, "length beyond the record"},
      {makeId(0, unterminated), makeId(0, "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"), true, "unterminated names"},
      {makeId(36, unterminated), makeId(0, unterminated), true, "unterminated, counted vs uncounted"},
      {makeId(0, "ZKSCR.SYMBOLREF"), zkIID_ISymbolRef, true, "global record"},
  };
  for (const rowS& row : rows) {
    SCOPED_TRACE(std::string(row.why) + ": " + describe(row.a) + " vs " + describe(row.b));
    EXPECT_EQ(row.equal, row.a.equal(row.b));
    EXPECT_EQ(row.equal, row.b.equal(row.a)) << "comparison must be symmetric";
  }
}

}  // namespace
