// The reference engine's registry, with counting fake factories.
#include "host/reference_engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A class factory that creates itself (a stand-in object) for one class
// name, compared the way a module compares: exactly when counted, ignoring
// case when not. It counts its references and never deletes itself.
class fakeFactoryC final : public zkIComClassFactory {
 public:
  explicit fakeFactoryC(const char* className) : name(className) {}

  uint32_t QueryInterface(const zkIIDS* id, void** out) override {
    if (id->equal(zkIID_IUnknown) || id->equal(zkIID_IClassFactory)) {
      AddRef();
      *out = static_cast<zkIComClassFactory*>(this);
      return 0;
    }
    *out = nullptr;
    return 1;
  }
  uint32_t AddRef() override { return ++refs; }
  uint32_t Release() override { return --refs; }

  uint32_t CreateInstance(const zkIIDS* className, zkIUnknown** out) override {
    ++createCalls;
    lastLength = className->length;
    const bool match = className->length != 0
                           ? className->length == name.size() &&
                                 std::memcmp(className->name, name.data(), name.size()) == 0
                           : strcasecmpAscii(className->name, name.c_str());
    if (!match) return 1;
    AddRef();
    *out = this;
    return 0;
  }

  int refs = 0;
  int createCalls = 0;
  uint32_t lastLength = 99;

 private:
  static bool strcasecmpAscii(const char* a, const char* b) {
    for (;; ++a, ++b) {
      const char x = (*a >= 'A' && *a <= 'Z') ? *a + 32 : *a;
      const char y = (*b >= 'A' && *b <= 'Z') ? *b + 32 : *b;
      if (x != y) return false;
      if (x == '\0') return true;
    }
  }
  std::string name;
};

TEST(ReferenceEngine, AnswersUnknownAndEngineFactoryOnly) {
  referenceEngineC engine;
  void* out = &engine;
  EXPECT_EQ(0u, engine.QueryInterface(&zkIID_IUnknown, &out));
  EXPECT_EQ(0u, engine.QueryInterface(&zkIID_IEngineFactory, &out));
  EXPECT_EQ(2u, engine.referenceCount());
  EXPECT_EQ(1u, engine.QueryInterface(&zkIID_IDispatch, &out));
  EXPECT_EQ(nullptr, out);
  engine.setAnswersEngineFactory(false);
  EXPECT_EQ(1u, engine.QueryInterface(&zkIID_IEngineFactory, &out));
  engine.Release();
  engine.Release();
  EXPECT_EQ(0u, engine.referenceCount());
  EXPECT_EQ(0u, engine.Release()) << "an unmatched release must not wrap the count";
}

TEST(ReferenceEngine, KeepsOneReferencePerRegistrationUntilRevoked) {
  fakeFactoryC factory("a.b");
  {
    referenceEngineC engine;
    uint32_t first = 0, second = 0;
    ASSERT_EQ(0u, engine.RegisterFactory(&zkIID_IClassFactory, &factory, 1, &first));
    ASSERT_EQ(0u, engine.RegisterFactory(&zkIID_IClassFactory, &factory, 1, &second));
    EXPECT_NE(first, second);
    EXPECT_EQ(2, factory.refs);
    EXPECT_EQ(0u, engine.RevokeFactory(first));
    EXPECT_EQ(1u, engine.RevokeFactory(first)) << "a cookie revokes once";
    EXPECT_EQ(1, factory.refs);
    const referenceEngineC::callRecordS calls = engine.calls();
    EXPECT_EQ(2u, calls.registerCalls);
    EXPECT_EQ(1u, calls.registerFlags);
    EXPECT_EQ((std::vector<uint32_t>{first, first}), calls.revoked);
  }
  EXPECT_EQ(0, factory.refs) << "the engine releases what is still registered";
}

TEST(ReferenceEngine, CreateObjectSendsCountedOrUncountedNames) {
  struct caseS {
    const char* name;
    bool counted;
    uint32_t expectedStatus;
    uint32_t expectedLength;
  };
  const caseS cases[] = {
      {"rozorevo.charsetconvert", true, 0, 23},
      {"rozorevo.charsetconvert", false, 0, 0},
      {"ROZOREVO.CHARSETCONVERT", false, 0, 0},
      {"ROZOREVO.CHARSETCONVERT", true, 1, 23},
      {"rozorevo.other", false, 1, 0},
  };
  fakeFactoryC factory("rozorevo.charsetconvert");
  referenceEngineC engine;
  uint32_t cookie = 0;
  ASSERT_EQ(0u, engine.RegisterFactory(&zkIID_IClassFactory, &factory, 1, &cookie));
  for (const caseS& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.counted ? " counted" : " uncounted"));
    zkIUnknown* object = nullptr;
    EXPECT_EQ(c.expectedStatus, engine.createObject(c.name, c.counted, &object));
    EXPECT_EQ(c.expectedLength, factory.lastLength);
    if (c.expectedStatus == 0) {
      ASSERT_EQ(&factory, object);
      object->Release();
    } else {
      EXPECT_EQ(nullptr, object);
    }
  }
  EXPECT_EQ(1, factory.refs) << "only the registration's reference is left";
}

TEST(ReferenceEngine, CreateObjectRefusesNamesTooLongForARecord) {
  referenceEngineC engine;
  zkIUnknown* object = nullptr;
  EXPECT_EQ(1u, engine.createObject(std::string(36, 'x').c_str(), false, &object));
  EXPECT_EQ(nullptr, object);
}

}  // namespace
