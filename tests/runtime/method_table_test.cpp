// Method table holder: append order, lookup by name, kind and default name,
// ownership of appended rows.
#include "runtime/method_table.h"

#include <gtest/gtest.h>

#include "runtime/interfaces.h"

namespace {

uint32_t handler(void*, proxyAutoParaListC*, proxyAutoTypeCastC*) { return 0; }

const proxyMethodEntryS kFirstRows[] = {
    {"Convert", kindMethod, 3, handler}, {"Value", kindPropertyGet, 0, handler}, {nullptr, 0, 0, nullptr}};
const proxyMethodEntryS kSecondRows[] = {
    {"convert", kindMethod, anyValue, handler}, {"", kindMethod, 0, handler}, {nullptr, 0, 0, nullptr}};

TEST(MethodTable, LaterAppendIsFoundFirst) {
  proxyMethodTableS table;
  EXPECT_EQ(nullptr, table.find("Convert", kindAny));
  ASSERT_TRUE(table.append(kFirstRows));
  ASSERT_TRUE(table.append(kSecondRows));
  ASSERT_EQ(4u, table.count());
  EXPECT_EQ(1u, table.owned);
  EXPECT_EQ(0u, proxyMethodTableS(kFirstRows).owned) << "rows handed in are borrowed";
  const char* expectedNames[] = {"convert", "", "Convert", "Value"};
  for (int i = 0; i < 4; ++i) EXPECT_STREQ(expectedNames[i], table.nameAt(i)) << "row " << i;
  EXPECT_EQ(nullptr, table.entryAt(-1));
  EXPECT_EQ(nullptr, table.entryAt(4));
  EXPECT_EQ(nullptr, table.rows[4].handler) << "terminator after the rows";

  const proxyMethodEntryS* first = table.find("CONVERT", kindMethod);
  ASSERT_EQ(table.entryAt(0), first);
  EXPECT_EQ(table.entryAt(2), table.find("CONVERT", kindMethod, first + 1)) << "the search goes on after a row";
  EXPECT_EQ(nullptr, table.find("CONVERT", kindMethod, table.entryAt(3)));
  EXPECT_EQ(nullptr, table.find("value", kindMethod));
  EXPECT_EQ(table.entryAt(3), table.find("VALUE", kindAny));
  EXPECT_EQ(table.entryAt(1), table.find(nullptr, kindMethod)) << "null name is the default member";
  EXPECT_EQ(nullptr, table.find("Conver", kindAny));
  EXPECT_EQ(nullptr, table.find("Converts", kindAny));
  EXPECT_FALSE(proxyNameEqualNoCase("[", "{")) << "only letters fold";
  EXPECT_FALSE(proxyNameEqualNoCase("\xC4", "\xE4"));
  table.clear();
  EXPECT_EQ(nullptr, table.rows);
  EXPECT_EQ(0u, table.count());
}

}  // namespace
