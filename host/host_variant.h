// Variants as a host that does not link the object runtime makes and reads
// them, in the layouts of abi/variant.h and abi/text_object.h.
//
// hostTextC is a text argument: a string object of the host's own, holding a
// copy of its characters, with tables whose deleting destructor frees
// nothing (the module reads the characters during the call and never frees
// or calls into an object it did not make). It lives as long as the call.
//
// hostVariantC is a result a module filled in, owned by the host. Clearing or
// destroying it gives the payload back through the payload's own table: a
// text or an array through its deleting destructor (so the module that made
// it frees it), an object through Release.
#pragma once

#include <cstdint>
#include <string>

#include "abi/mem_man_object.h"
#include "abi/text_object.h"
#include "abi/variant.h"

// The runtime's variant, which has zkVariantRecordS's layout.
struct zkVariantS;

class hostTextC {
 public:
  explicit hostTextC(std::string text);
  hostTextC(const hostTextC&) = delete;
  hostTextC& operator=(const hostTextC&) = delete;

  // A text variant pointing at this text, which must outlive its use.
  zkVariantRecordS argument();

 private:
  class hostObjectC : public zkIMemManObject {
   public:
    memManSystemC* getMemManager(bool) override { return nullptr; }
    void* deletingDestructor(uint32_t) override { return this; }
  };
  struct bufferS final : hostObjectC {
    char* data;
    uint64_t size;
  };
  struct textS final : hostObjectC {
    bufferS buffer;
  };

  static_assert(sizeof(textS) == sizeof(zkTextObjectRecordS), "a host text has the string object's layout");

  std::string characters;
  textS text;
};

class hostVariantC {
 public:
  hostVariantC() = default;
  ~hostVariantC() { clear(); }
  hostVariantC(const hostVariantC&) = delete;
  hostVariantC& operator=(const hostVariantC&) = delete;

  // Gives the payload back and leaves the variant empty.
  void clear();

  uint32_t type() const { return record.type; }
  int32_t intValue() const { return record.value.intValue; }
  // The characters of a text value, or "" for any other value.
  std::string text() const;

  // Where an interface writes the result; what the variant held is given
  // back first.
  zkVariantS* out() {
    clear();
    return reinterpret_cast<zkVariantS*>(&record);
  }

 private:
  zkVariantRecordS record{};
};

// Where an interface reads an array of variants.
inline const zkVariantS* variantsIn(const zkVariantRecordS* records) {
  return reinterpret_cast<const zkVariantS*>(records);
}
