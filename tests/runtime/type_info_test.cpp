// Type information of a dispatchable object: member lists and single members
// computed from its rows, the slots as another binary calls them, and the
// references every description holds on the described object.
#include "runtime/type_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/object_collection.h"
#include "tests/support/member_listing.h"
#include "tests/support/table_slots.h"

namespace {

using membertest::describeAll;
using membertest::describeMember;
using membertest::listMembers;
using strings = std::vector<std::string>;

uint32_t noop(void*, proxyAutoParaListC*, proxyAutoTypeCastC*) { return 0; }

const proxyMethodEntryS kRows[] = {
    {"Convert", kindMethod, 3, noop},  // with the any-count row: 0 and 3 optional
    {"Value", kindPropertyGet, 0, noop},
    {"Convert", kindMethod, anyValue, noop},
    {"Span", kindMethod, 1, noop},  // 1 and 3 arguments: 1 and 2 optional
    {"Reset", kindMethod, 0, noop},
    {"Size", kindPropertyGet, 0, noop},
    {"Any", kindMethod, anyValue, noop},  // only any count: 0 and 0
    {"reset", kindMethod, 2, noop},       // listed apart, described by the first "Reset" row
    {"Twice", kindMethod, 2, noop},
    {"Span", kindMethod, 3, noop},
    {"Size", kindPropertyPut, 1, noop},
    {"Twice", kindMethod, 2, noop},     // the same row again: listed once
    {"Huge", kindMethod, 70000, noop},  // more than 65536 arguments: its own minimum
    {nullptr, 0, 0, nullptr},
};

class describedObjectC : public proxyObjectC {
 public:
  explicit describedObjectC(const proxyMethodEntryS* rows = kRows) : proxyObjectC(rows, true) {}
  ZK_DELETING_DESTRUCTOR(describedObjectC)

 protected:
  ~describedObjectC() = default;
};

// The described object, with the test's one reference.
struct heldObjectS {
  explicit heldObjectS(const proxyMethodEntryS* rows = kRows) : object(new describedObjectC(rows)) {}
  ~heldObjectS() { EXPECT_EQ(0u, object->Release()) << "a description kept a reference"; }
  describedObjectC* object;
};

TEST(TypeInfo, MembersSortedOncePerNameInKindOrder) {
  const std::string sizeEntry = "property Size writable";
  const struct {
    uint32_t mask;
    strings expected;
  } cases[] = {
      {7,
       {"method Any 0+0", "method Convert 0+3", "method Huge 70000+0", "method Reset 0+2", sizeEntry, sizeEntry,
        "method Span 1+2", "method Twice 2+0", "property Value read-only", "method Reset 0+2"}},
      {kindMethod,
       {"method Any 0+0", "method Convert 0+3", "method Huge 70000+0", "method Reset 0+2", "method Span 1+2",
        "method Twice 2+0", "method Reset 0+2"}},
      {kindPropertyGet, {sizeEntry, "property Value read-only"}},
      {kindPropertyGet | kindPropertyPut, {sizeEntry, sizeEntry, "property Value read-only"}},
      {8, {}},  // no kind bit
  };
  heldObjectS held, withoutTable(nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE("mask " + std::to_string(c.mask));
    EXPECT_EQ(c.expected, listMembers(held.object, c.mask));
  }
  EXPECT_EQ(strings{}, listMembers(withoutTable.object, 7));
}

TEST(TypeInfo, MemberByFirstKindBitOnly) {
  const struct {
    const char* name;
    uint32_t mask;
    std::string expected;  // "" when the query fails
  } cases[] = {
      {"cONVERT", 7, "method cONVERT 0+3"},         // named as asked, found ignoring case
      {"Value", kindMethod | kindPropertyGet, ""},  // only a property: the method bit decides
      {"Value", kindPropertyGet, "property Value read-only"},
      {"Value", kindPropertyPut, ""},
      {"Size", kindPropertyPut, "property Size writable"},
      {"Missing", 7, ""},
      {"Convert", 8, ""},
  };
  heldObjectS held;
  zkInterfacePtrT<zkIComTypeInfo> info;
  ASSERT_EQ(0u, info.query(held.object, zkIID_ITypeInfo));
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " mask " + std::to_string(c.mask));
    zkIUnknown* const untouched = info.get();
    zkIUnknown* member = untouched;
    const uint32_t status = info->GetMember(c.name, c.mask, &member);
    EXPECT_EQ(c.expected.empty() ? 1u : 0u, status);
    if (status != 0) {
      EXPECT_EQ(untouched, member) << "a failed query leaves the out pointer alone";
      continue;
    }
    EXPECT_EQ(c.expected, describeMember(member));
    EXPECT_EQ(0u, member->Release()) << "the caller holds the only reference";
  }
  EXPECT_EQ(1u, info->GetMembers(7, nullptr));
}

// Two type-information queries give two objects, two member lists give two
// sets of descriptions; each holds one reference on the described object
// and may outlive what handed it out.
TEST(TypeInfo, EveryQueryMakesNewObjectsThatHoldTheDescribedObject) {
  heldObjectS held;
  zkInterfacePtrT<zkIComTypeInfo> first, second;
  zkInterfacePtrT<zkIComObjectCollection> members, again;
  ASSERT_EQ(0u, first.query(held.object, zkIID_ITypeInfo));
  ASSERT_EQ(0u, second.query(held.object, zkIID_ITypeInfo));
  EXPECT_NE(first.get(), second.get());
  ASSERT_EQ(0u, first->GetMembers(7, members.out()));
  ASSERT_EQ(0u, first->GetMembers(7, again.out()));
  EXPECT_EQ(3u + 2 * 10, held.object->currentRefCount()) << "the test's, two type informations, 2 x 10 members";
  zkInterfacePtrT<zkIUnknown> item, otherItem;
  ASSERT_EQ(0u, members->GetItem(0, item.out()));
  ASSERT_EQ(0u, again->GetItem(0, otherItem.out()));
  EXPECT_NE(item.get(), otherItem.get());
  first.reset();
  second.reset();
  members.reset();
  again.reset();
  EXPECT_EQ(3u, held.object->currentRefCount()) << "two descriptions still held";
  item.reset();
  otherItem.reset();
  EXPECT_EQ(1u, held.object->currentRefCount());
}

// Each interface's own slots follow the three of zkIUnknown; the deleting
// destructor comes right after them.
TEST(TypeInfo, InterfaceSlotsInOrder) {
  heldObjectS held;
  void *info = nullptr, *collection = nullptr, *property = nullptr, *method = nullptr;
  uint32_t count = 0, readOnly = 0, fewest = 0, optional = 0;
  zkVariantS propertyName, methodName;
  ASSERT_EQ(0u, callSlot<uint32_t>(static_cast<zkIDispatch*>(held.object), 0, &zkIID_ITypeInfo, &info));
  ASSERT_EQ(0u, callSlot<uint32_t>(info, 3, kindPropertyGet, &collection)) << "GetMembers";
  EXPECT_EQ(0u, callSlot<uint32_t>(collection, 3, &count)) << "GetCount";
  ASSERT_EQ(0u, callSlot<uint32_t>(collection, 4, 1u, &property)) << "GetItem";
  EXPECT_EQ(0u, callSlot<uint32_t>(property, 3, &propertyName)) << "GetName";
  EXPECT_EQ(0u, callSlot<uint32_t>(property, 4, &readOnly)) << "IsReadOnly";
  ASSERT_EQ(0u, callSlot<uint32_t>(info, 4, "Span", kindMethod, &method)) << "GetMember";
  EXPECT_EQ(0u, callSlot<uint32_t>(method, 3, &methodName)) << "GetName";
  EXPECT_EQ(0u, callSlot<uint32_t>(method, 4, &fewest)) << "GetMinParams";
  EXPECT_EQ(0u, callSlot<uint32_t>(method, 5, &optional)) << "GetOptionalParams";
  EXPECT_EQ("2 Value 1 Span 1+2", std::to_string(count) + " " + variantText(propertyName) + " " +
                                      std::to_string(readOnly) + " " + variantText(methodName) + " " +
                                      std::to_string(fewest) + "+" + std::to_string(optional));
  for (void* object : {info, collection, property, method}) EXPECT_EQ(0u, callSlot<uint32_t>(object, 2));
  EXPECT_EQ(3 + 2, slotIndexOf(&proxyTypeInfoC::deletingDestructor));
  EXPECT_EQ(3 + 2, slotIndexOf(&zkClassObjectCollectionT<zkIUnknown>::deletingDestructor));
  EXPECT_EQ(3 + 2, slotIndexOf(&proxyPropertyTypeInfoC::deletingDestructor));
  EXPECT_EQ(3 + 3, slotIndexOf(&proxyMethodeTypeInfoC::deletingDestructor));
}

}  // namespace
