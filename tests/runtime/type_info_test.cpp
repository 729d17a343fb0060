// Type information of a dispatchable object: member lists and single members
// computed from its rows, the interface tables by raw slot, and the
// references every description holds on the described object.
#include "runtime/type_info.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "runtime/object_collection.h"
#include "tests/support/member_listing.h"

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

 protected:
  ~describedObjectC() override = default;
};

// The described object, with the test's one reference.
struct heldObjectS {
  explicit heldObjectS(const proxyMethodEntryS* rows = kRows) : object(new describedObjectC(rows)) {}
  ~heldObjectS() { EXPECT_EQ(0u, object->Release()) << "a description kept a reference"; }
  describedObjectC* object;
};

template <class R, class... A>
R callSlot(void* interfacePointer, int index, A... args) {
  void** table = *static_cast<void***>(interfacePointer);
  return reinterpret_cast<R (*)(void*, A...)>(table[index])(interfacePointer, args...);
}

TEST(TypeInfo, MembersSortedOncePerNameInKindOrder) {
  const struct {
    uint32_t mask;
    strings expected;
  } cases[] = {
      {7,
       {"method Any 0+0", "method Convert 0+3", "method Huge 70000+0", "method Reset 0+2", "property Size writable",
        "property Size writable", "method Span 1+2", "method Twice 2+0", "property Value read-only",
        "method Reset 0+2"}},
      {kindMethod,
       {"method Any 0+0", "method Convert 0+3", "method Huge 70000+0", "method Reset 0+2", "method Span 1+2",
        "method Twice 2+0", "method Reset 0+2"}},
      {kindPropertyGet, {"property Size writable", "property Value read-only"}},
      {kindPropertyPut, {"property Size writable"}},
      {kindPropertyGet | kindPropertyPut,
       {"property Size writable", "property Size writable", "property Value read-only"}},
      {0, {}},
      {8, {}},  // no kind bit
  };
  heldObjectS held;
  for (const auto& c : cases) {
    SCOPED_TRACE("mask " + std::to_string(c.mask));
    EXPECT_EQ(c.expected, listMembers(held.object, c.mask));
  }
  const proxyMethodEntryS none[] = {{nullptr, 0, 0, nullptr}};
  heldObjectS empty(none), withoutTable(nullptr);
  EXPECT_EQ(strings{}, listMembers(empty.object, 7));
  EXPECT_EQ(strings{}, listMembers(withoutTable.object, 7));
}

TEST(TypeInfo, MemberByFirstKindBitOnly) {
  const struct {
    const char* name;
    uint32_t mask;
    std::string expected;  // "" when the query fails
  } cases[] = {
      {"cONVERT", kindMethod, "method cONVERT 0+3"},  // named as asked, found ignoring case
      {"Convert", 7, "method Convert 0+3"},
      {"Value", kindMethod | kindPropertyGet, ""},  // only a property: the method bit decides
      {"Value", kindPropertyGet, "property Value read-only"},
      {"Value", kindPropertyPut, ""},
      {"Size", kindPropertyGet | kindPropertyPut, "property Size writable"},
      {"Size", kindPropertyPut, "property Size writable"},
      {"Convert", kindPropertyGet, ""},
      {"Missing", 7, ""},
      {"Convert", 0, ""},
      {"Convert", 8, ""},
  };
  heldObjectS held;
  zkInterfacePtrT<zkIComTypeInfo> info;
  ASSERT_EQ(0u, info.query(held.object, zkIID_ITypeInfo));
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " mask " + std::to_string(c.mask));
    zkIUnknown* untouched = reinterpret_cast<zkIUnknown*>(info.get());
    zkIUnknown* member = untouched;
    const uint32_t status = info->GetMember(c.name, c.mask, &member);
    if (c.expected.empty()) {
      EXPECT_EQ(1u, status);
      EXPECT_EQ(untouched, member) << "a failed query leaves the out pointer alone";
      continue;
    }
    ASSERT_EQ(0u, status);
    EXPECT_EQ(c.expected, describeMember(member));
    EXPECT_EQ(0u, member->Release()) << "the caller holds the only reference";
  }
  EXPECT_EQ(1u, info->GetMember("Convert", kindMethod, nullptr));
  EXPECT_EQ(1u, info->GetMembers(7, nullptr));
}

TEST(TypeInfo, EveryQueryMakesNewObjectsThatHoldTheDescribedObject) {
  heldObjectS held;
  zkInterfacePtrT<zkIComTypeInfo> first, second;
  ASSERT_EQ(0u, first.query(held.object, zkIID_ITypeInfo));
  ASSERT_EQ(0u, second.query(held.object, zkIID_ITypeInfo));
  EXPECT_NE(first.get(), second.get());
  EXPECT_EQ(3u, held.object->currentRefCount()) << "the test's and one per type information";

  zkIComObjectCollection *members = nullptr, *again = nullptr;
  ASSERT_EQ(0u, first->GetMembers(7, &members));
  ASSERT_EQ(0u, first->GetMembers(7, &again));
  EXPECT_NE(members, again);
  EXPECT_EQ(3u + 2 * 10, held.object->currentRefCount()) << "one per member description";
  zkInterfacePtrT<zkIUnknown> item, sameItem, otherItem;
  ASSERT_EQ(0u, members->GetItem(0, item.out()));
  ASSERT_EQ(0u, members->GetItem(0, sameItem.out()));
  ASSERT_EQ(0u, again->GetItem(0, otherItem.out()));
  EXPECT_EQ(item.get(), sameItem.get());
  EXPECT_NE(item.get(), otherItem.get());
  EXPECT_EQ(0u, again->Release());
  EXPECT_EQ(3u + 10 + 1, held.object->currentRefCount()) << "a released collection releases its members";

  // Descriptions outlive what handed them out, and keep the object alive.
  first.reset();
  second.reset();
  EXPECT_EQ(0u, members->Release());
  EXPECT_EQ(3u, held.object->currentRefCount()) << "two descriptions still held";
  item.reset();
  sameItem.reset();
  otherItem.reset();
  EXPECT_EQ(1u, held.object->currentRefCount());
}

// The tables as a module compiled elsewhere calls them: the interface's own
// slots after the three of zkIUnknown; other identifiers give null and 1.
TEST(TypeInfo, InterfaceTablesInOrder) {
  heldObjectS held;
  void* info = nullptr;
  ASSERT_EQ(0u, callSlot<uint32_t>(static_cast<zkIDispatch*>(held.object), 0, &zkIID_ITypeInfo, &info));

  void* collection = nullptr;
  ASSERT_EQ(0u, callSlot<uint32_t>(info, 3, kindPropertyGet, &collection)) << "GetMembers";
  uint32_t value = 0;
  EXPECT_EQ(0u, callSlot<uint32_t>(collection, 3, &value)) << "GetCount";
  EXPECT_EQ(2u, value);
  void* property = nullptr;
  EXPECT_EQ(0u, callSlot<uint32_t>(collection, 4, 1u, &property)) << "GetItem";
  zkVariantS name;
  EXPECT_EQ(0u, callSlot<uint32_t>(property, 3, &name)) << "GetName";
  EXPECT_EQ("Value", membertest::nameOf(0, name));
  EXPECT_EQ(0u, callSlot<uint32_t>(property, 4, &value)) << "IsReadOnly";
  EXPECT_EQ(1u, value);

  void* method = nullptr;
  EXPECT_EQ(0u, callSlot<uint32_t>(info, 4, "Span", kindMethod, &method)) << "GetMember";
  EXPECT_EQ(0u, callSlot<uint32_t>(method, 3, &name)) << "GetName";
  EXPECT_EQ("Span", membertest::nameOf(0, name));
  EXPECT_EQ(0u, callSlot<uint32_t>(method, 4, &value)) << "GetMinParams";
  EXPECT_EQ(1u, value);
  EXPECT_EQ(0u, callSlot<uint32_t>(method, 5, &value)) << "GetOptionalParams";
  EXPECT_EQ(2u, value);

  const struct {
    const char* what;
    void* object;
    const zkIIDS* own;
  } objects[] = {{"type information", info, &zkIID_ITypeInfo},
                 {"collection", collection, &zkIID_IObjectCollection},
                 {"property", property, &zkIID_IPropetyTypeInfo},
                 {"method", method, &zkIID_IMethodeTypeInfo}};
  for (const auto& o : objects) {
    SCOPED_TRACE(o.what);
    const uint32_t base = callSlot<uint32_t>(o.object, 1) - 1;  // AddRef
    EXPECT_EQ(base, callSlot<uint32_t>(o.object, 2)) << "Release";
    void* out = nullptr;
    for (const zkIIDS* id : {&zkIID_IUnknown, o.own}) {
      EXPECT_EQ(0u, callSlot<uint32_t>(o.object, 0, id, &out)) << id->name;
      EXPECT_EQ(o.object, out);
      EXPECT_EQ(base, callSlot<uint32_t>(o.object, 2)) << "the query added one reference";
    }
    EXPECT_EQ(1u, callSlot<uint32_t>(o.object, 0, &zkIID_IDispatch, &out));
    EXPECT_EQ(nullptr, out) << "an identifier not answered clears the out pointer";
  }
  for (const auto& o : objects) EXPECT_EQ(0u, callSlot<uint32_t>(o.object, 2)) << o.what;
}

TEST(TypeInfo, ConcurrentQueriesOnOneObject) {
  heldObjectS held;
  std::atomic<int> wrongLists{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        if (listMembers(held.object, 7).size() != 10) ++wrongLists;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(0, wrongLists.load());
  EXPECT_EQ(1u, held.object->currentRefCount());
}

}  // namespace
