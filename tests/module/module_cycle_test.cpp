// Many load, bind, use, unbind and unload cycles of the module file in one
// process: after a warm-up, the resident set and the open descriptors
// (handles) stay flat. Where the figures are not reliable (under Wine, or
// with a sanitizer's quarantine holding freed memory) the test reports
// growth instead of failing on it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "abi/interface_ptr.h"
#include "host/component_module.h"
#include "host/reference_engine.h"
#include "platform/process.h"
#include "runtime/variant.h"

namespace {

constexpr int warmUpCycles = 50;
constexpr int measuredCycles = 250;
// Growth allowed over the measured cycles: well under one page per cycle.
constexpr std::uint64_t residentGrowthBound = 1u << 20;

// One cycle as a host runs it; false (with a reason) at the first step that
// fails.
bool cycle(std::string* reason) {
  componentModuleC module;
  referenceEngineC engine;
  if (!module.load(std::string("./") + ZK_TEST_MODULE_FILE)) {
    *reason = "load: " + module.error();
    return false;
  }
  if (!module.initialise(&engine)) {
    *reason = "initialise: " + module.error();
    return false;
  }
  {
    zkInterfacePtrT<zkIUnknown> object;
    zkInterfacePtrT<zkIDispatch> component, converter;
    if (engine.createObject("rozorevo.charsetconvert", true, object.out()) != 0 ||
        component.query(object.get(), zkIID_IDispatch) != 0) {
      *reason = "createObject";
      return false;
    }
    zkVariantS arguments[3], result, opened;
    arguments[0].setString("UTF-8");
    arguments[1].setString("HTML");
    arguments[2].setString("caf\xc3\xa9 <b>");
    const char* text = nullptr;
    if (component->Invoke("Convert", kindMethod, 3, arguments, &result, nullptr) != 0 || result.getString(&text) != 0 ||
        std::string(text) != "caf&eacute; &lt;b&gt;") {
      *reason = "Convert";
      return false;
    }
    if (component->Invoke("openConverter", kindMethod, 2, arguments, &opened, nullptr) != 0 ||
        opened.type != zkVarObject || converter.query(opened.value.objectValue, zkIID_IDispatch) != 0 ||
        converter->Invoke("ConvertString", kindMethod, 1, arguments + 2, &result, nullptr) != 0) {
      *reason = "openConverter and ConvertString";
      return false;
    }
  }
  // Every object released: unbind, drop the module's factory, unload.
  module.terminateAll();
  engine.releaseFactories();
  if (!module.unload()) {
    *reason = "unload: " + module.error();
    return false;
  }
  return true;
}

TEST(ModuleCycles, ResidentSetAndDescriptorsStayFlat) {
  std::string reason;
  for (int i = 0; i < warmUpCycles; ++i) ASSERT_TRUE(cycle(&reason)) << "warm-up cycle " << i << ": " << reason;
  const std::uint64_t residentBefore = processResidentBytes(), handlesBefore = processOpenHandleCount();
  for (int i = 0; i < measuredCycles; ++i) ASSERT_TRUE(cycle(&reason)) << "cycle " << i << ": " << reason;
  const std::uint64_t residentAfter = processResidentBytes(), handlesAfter = processOpenHandleCount();
  const std::int64_t residentGrowth = static_cast<std::int64_t>(residentAfter - residentBefore);
  const std::string figures = std::to_string(warmUpCycles + measuredCycles) + " cycles; resident " +
                              std::to_string(residentBefore >> 10) + " KiB -> " + std::to_string(residentAfter >> 10) +
                              " KiB; handles " + std::to_string(handlesBefore) + " -> " + std::to_string(handlesAfter);
  RecordProperty("cycle_figures", figures);
  std::printf("%s\n", figures.c_str());
#if defined(ZK_TEST_GROWTH_REPORT_ONLY)
  // Wine answers no handle count (0); a sanitizer's quarantine keeps freed
  // memory resident.
  if (residentGrowth > static_cast<std::int64_t>(residentGrowthBound) || handlesAfter != handlesBefore) {
    std::printf("not flat (reported, not asserted in this tree): %s\n", figures.c_str());
  }
#else
  ASSERT_NE(0u, residentBefore) << "the resident set cannot be read";
  ASSERT_NE(0u, handlesBefore) << "the open descriptors cannot be counted";
  EXPECT_GE(static_cast<std::int64_t>(residentGrowthBound), residentGrowth) << figures;
  EXPECT_EQ(handlesBefore, handlesAfter) << figures;
#endif
}

}  // namespace
