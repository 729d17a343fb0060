// The contract between a host engine and a component module.
//
// A host loads the module file, calls raVodInitRemoteEngine with its engine
// object and, before unloading, raVodTerminateRemoteEngine as often. During
// initialisation the module registers a class factory ("ZKIIDCLSFAC") with
// the engine's factory registry ("ZKCOMENGFACT"); the engine then creates
// objects by class name through that factory. Slot orders are binding:
// hosts and modules are built separately.
#pragma once

#include <cstdint>

#include "abi/interfaces.h"

// The engine's factory registry, asked for on the engine object with
// "ZKCOMENGFACT". Slots: the three of zkIUnknown, RegisterFactory,
// RevokeFactory.
class zkIComEngineFactory : public zkIUnknown {
 public:
  // Registers `factory` for the interface `interfaceId`; the engine keeps a
  // reference of its own and writes a cookie for RevokeFactory. Answers 0
  // on success.
  virtual uint32_t RegisterFactory(const zkIIDS* interfaceId, zkIUnknown* factory, uint32_t flags,
                                   uint32_t* cookie) = 0;
  // Drops the registration with that cookie and the engine's reference.
  virtual uint32_t RevokeFactory(uint32_t cookie) = 0;

 protected:
  ~zkIComEngineFactory() = default;
};

// A class factory ("ZKIIDCLSFAC"). Slots: the three of zkIUnknown,
// CreateInstance.
class zkIComClassFactory : public zkIUnknown {
 public:
  // Creates an object of the class named by `className`; on success stores
  // it with one reference in *out and answers 0. An unknown class answers 1
  // and leaves *out untouched.
  virtual uint32_t CreateInstance(const zkIIDS* className, zkIUnknown** out) = 0;

 protected:
  ~zkIComClassFactory() = default;
};

// The module's two exported entry points; both always answer 0.
using raVodInitRemoteEngineF = uint32_t (*)(zkIUnknown* engine);
using raVodTerminateRemoteEngineF = uint32_t (*)();

constexpr const char kInitRemoteEngineName[] = "raVodInitRemoteEngine";
constexpr const char kTerminateRemoteEngineName[] = "raVodTerminateRemoteEngine";
