// The deleting destructor of memManInterfaceC's table on the memory layer's
// own objects and on str: called by slot number, and the table's size.
#include "memory/deleting_destructor.h"

#include <gtest/gtest.h>

#include "base/str.h"
#include "memory/mem_man.h"
#include "memory/page_mem.h"
#include "tests/support/mem_man_slots.h"

namespace {

TEST(DeletingDestructor, SlotTwoDestroysAndWithFlagOneFrees) {
  const madeObjectKindS kinds[] = {
      {"str", [] { return madeObject(new str("module text")); }},
      {"memManDataPoolC<char>",
       [] {
         auto* buffer = new memManDataPoolC<char>;
         buffer->assign("bytes", 6);
         return madeObject(buffer);
       }},
      {"pageMemT<str, 3>",
       [] {
         auto* names = new pageMemT<str, 3>;
         *names->nextSlot() = "name";
         return madeObject(names);
       }},
  };
  expectDeletingSlot(kinds);
}

TEST(DeletingDestructor, MemoryManagerTablesHaveExactlyTwoSlots) {
  expectTableOfTwo<str>("str");
  expectTableOfTwo<memManDataPoolC<char>>("memManDataPoolC<char>");
  expectTableOfTwo<pageMemT<str, 3>>("pageMemT<str, 3>");
}

}  // namespace
