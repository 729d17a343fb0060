// The reference engine's registry, with a counting fake class factory.
#include "host/reference_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A class factory that records the identifier record it is asked for and
// answers itself as the object when `accepts`; it never deletes itself.
class fakeFactoryC final : public zkIComClassFactory {
 public:
  uint32_t QueryInterface(const zkIIDS* id, void** out) override {
    *out = nullptr;
    if (!id->equal(zkIID_IUnknown) && !id->equal(zkIID_IClassFactory)) return 1;
    AddRef();
    *out = static_cast<zkIComClassFactory*>(this);
    return 0;
  }
  uint32_t AddRef() override { return ++refs; }
  uint32_t Release() override { return --refs; }
  uint32_t CreateInstance(const zkIIDS* className, zkIUnknown** out) override {
    asked = std::string(className->name) + " length " + std::to_string(className->length);
    if (!accepts) return 1;
    AddRef();
    *out = this;
    return 0;
  }

  int refs = 0;
  bool accepts = true;
  std::string asked;  // the last class name record: "name length n"
};

// Each registration holds one factory reference until it is revoked or the
// engine ends; createObject hands the class name over counted or uncounted.
TEST(ReferenceEngine, RegistrationsAndCreateObject) {
  const std::string tooLong(36, 'x');
  const struct {
    const char* name;
    bool counted, accepts;
    const char* asked;
  } cases[] = {
      {"rozorevo.charsetconvert", true, true, "rozorevo.charsetconvert length 23"},
      {"ROZOREVO.CHARSETCONVERT", false, true, "ROZOREVO.CHARSETCONVERT length 0"},
      {"rozorevo.other", false, false, "rozorevo.other length 0"},
      {tooLong.c_str(), false, true, ""},  // too long for a record: not asked
  };
  fakeFactoryC factory;
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
    EXPECT_EQ((std::vector<uint32_t>{first, first}), engine.calls().revoked);
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (c.counted ? " counted" : " uncounted"));
      factory.accepts = c.accepts;
      factory.asked.clear();
      zkIUnknown* object = nullptr;
      const bool created = c.accepts && *c.asked != '\0';
      EXPECT_EQ(created ? 0u : 1u, engine.createObject(c.name, c.counted, &object));
      EXPECT_EQ(c.asked, factory.asked);
      EXPECT_EQ(created ? &factory : nullptr, object);
      if (object != nullptr) object->Release();
    }
    EXPECT_EQ(1, factory.refs) << "only the registration's reference is left";
  }
  EXPECT_EQ(0, factory.refs) << "the engine releases what is still registered";
}

}  // namespace
