// Method table holder: append order, lookup, accessors, clear.
#include "runtime/method_table.h"

#include <gtest/gtest.h>

#include "runtime/interfaces.h"

namespace {

uint32_t handlerA(void*, proxyAutoParaListC*, proxyAutoTypeCastC*) { return 0; }
uint32_t handlerB(void*, proxyAutoParaListC*, proxyAutoTypeCastC*) { return 0; }

const proxyMethodEntryS kFirstRows[] = {
    {"Convert", kindMethod, 3, handlerA},
    {"Value", kindPropertyGet, 0, handlerA},
    {nullptr, 0, 0, nullptr},
};
const proxyMethodEntryS kSecondRows[] = {
    {"convert", kindMethod, anyValue, handlerB},
    {"", kindMethod, 0, handlerB},
    {nullptr, 0, 0, nullptr},
};

TEST(MethodTable, EmptyHolder) {
  proxyMethodTableS table;
  EXPECT_EQ(0u, table.count());
  EXPECT_EQ(nullptr, table.find("Convert", kindAny));
  EXPECT_EQ(nullptr, table.nameAt(0));
  EXPECT_EQ(0u, table.kindAt(0));
}

TEST(MethodTable, LaterAppendIsFoundFirst) {
  proxyMethodTableS table;
  ASSERT_TRUE(table.append(kFirstRows));
  ASSERT_TRUE(table.append(kSecondRows));
  EXPECT_EQ(1u, table.owned);
  ASSERT_EQ(4u, table.count());
  const char* expectedNames[] = {"convert", "", "Convert", "Value"};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(expectedNames[i], table.nameAt(i));
  }
  EXPECT_EQ(kindPropertyGet, table.kindAt(3));
  EXPECT_EQ(nullptr, table.entryAt(-1));
  EXPECT_EQ(nullptr, table.entryAt(4));
  EXPECT_EQ(nullptr, table.rows[4].handler) << "terminator after the rows";

  const proxyMethodEntryS* first = table.find("CONVERT", kindMethod);
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(handlerB, first->handler);
  const proxyMethodEntryS* next = table.find("CONVERT", kindMethod, first + 1);
  ASSERT_NE(nullptr, next);
  EXPECT_EQ(handlerA, next->handler);
  EXPECT_EQ(nullptr, table.find("CONVERT", kindMethod, next + 1));
}

TEST(MethodTable, FindByKindAndDefaultName) {
  proxyMethodTableS table;
  ASSERT_TRUE(table.append(kFirstRows));
  ASSERT_TRUE(table.append(kSecondRows));
  EXPECT_EQ(nullptr, table.find("value", kindMethod));
  EXPECT_EQ(table.entryAt(3), table.find("value", kindPropertyGet));
  EXPECT_EQ(table.entryAt(3), table.find("VALUE", kindAny));
  EXPECT_EQ(table.entryAt(1), table.find(nullptr, kindMethod)) << "null name is the default member";
  EXPECT_EQ(nullptr, table.find("Conver", kindAny));
  EXPECT_EQ(nullptr, table.find("Converts", kindAny));
}

TEST(MethodTable, StaticRowsAreNotOwned) {
  proxyMethodTableS table(kFirstRows);
  EXPECT_EQ(0u, table.owned);
  EXPECT_EQ(2u, table.count());
  table.clear();
  EXPECT_EQ(nullptr, table.rows);
  EXPECT_EQ(0u, table.count());
}

TEST(MethodTable, NameComparisonIgnoresAsciiCaseOnly) {
  EXPECT_TRUE(proxyNameEqualNoCase("Convert", "cONVERT"));
  EXPECT_TRUE(proxyNameEqualNoCase(nullptr, ""));
  EXPECT_FALSE(proxyNameEqualNoCase("[", "{")) << "only letters fold";
  EXPECT_FALSE(proxyNameEqualNoCase("\xC4", "\xE4"));
}

}  // namespace
