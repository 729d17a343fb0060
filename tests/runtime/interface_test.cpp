// Interface identifiers: the three comparison rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "abi/interface_id.h"

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
  const struct {
    uint32_t lengthA;
    const char* a;
    uint32_t lengthB;
    const char* b;
    bool equal;
  } rows[] = {
      // counted: the first `length` bytes, case-sensitive
      {8, "ZKIIDDSP", 8, "ZKIIDDSP", true},
      {8, "ZKIIDDSP", 8, "zkiiddsp", false},
      {4, "ZKIIxxxx", 4, "ZKIIyyyy", true},
      // counted vs uncounted: the exact text, case-sensitive
      {8, "ZKIIDDSP", 0, "ZKIIDDSP", true},
      {8, "ZKIIDDSP", 0, "zkiiddsp", false},
      {8, "ZKIIDDSP", 0, "ZKIIDDSPX", false},
      {8, "ZKIIDDSP", 0, "ZKIIDDS", false},
      // two uncounted: the whole text, letter case ignored
      {0, "ZKIIDDSP", 0, "zkiiddsp", true},
      {0, "ZKCOMNATPTR", 0, "ZKCOMNATPT", false},
      {0, "", 0, "", true},
      // different non-zero lengths, a length beyond the record, names filling the record
      {8, "ZKIIDDSP", 9, "ZKIIDDSP", false},
      {37, "ZKIIDDSP", 37, "ZKIIDDSP", false},
      {0, unterminated, 0, "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", true},
      {36, unterminated, 0, unterminated, true},
  };
  for (const auto& row : rows) {
    const zkIIDS a = makeId(row.lengthA, row.a), b = makeId(row.lengthB, row.b);
    SCOPED_TRACE(describe(a) + " vs " + describe(b));
    EXPECT_EQ(row.equal, a.equal(b));
    EXPECT_EQ(row.equal, b.equal(a)) << "comparison must be symmetric";
    EXPECT_EQ(a.length <= sizeof a.name, a.equal(a)) << "the same record, by the same rules";
  }
  const zkIIDS symbolRef = makeId(0, "ZKSCR.SYMBOLREF");
  EXPECT_TRUE(symbolRef.equal(zkIID_ISymbolRef) && zkIID_ISymbolRef.equal(symbolRef)) << "global record";
}

}  // namespace
