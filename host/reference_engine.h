// referenceEngineC: a small host engine for component modules.
//
// It is the engine object a host hands to raVodInitRemoteEngine: a
// zkIUnknown that answers "ZKIIDUNK" and "ZKCOMENGFACT", and the factory
// registry behind the latter. Registered factories are kept with one
// reference each under a cookie (1, 2, 3, ... in registration order);
// RevokeFactory drops one. createObject asks the registered class
// factories, newest first, for an object by class name.
//
// The engine is owned by its host, not by its reference count: Release never
// destroys it, and the count only shows whether a module still holds
// references (tests check that every reference taken is given back). It also
// records the registry calls it receives, so tests can check exactly what a
// module did. Calls may come from any thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "abi/engine_binding.h"

class referenceEngineC final : public zkIComEngineFactory {
 public:
  // What the engine has seen, for tests and diagnostics.
  struct callRecordS {
    uint32_t registerCalls = 0;        // RegisterFactory calls, successful or not
    uint32_t registerFlags = 0;        // flags of the last RegisterFactory
    std::vector<uint32_t> registered;  // cookies handed out, in order
    std::vector<uint32_t> revoked;     // cookies asked to revoke, in order
  };

  referenceEngineC() = default;
  referenceEngineC(const referenceEngineC&) = delete;
  referenceEngineC& operator=(const referenceEngineC&) = delete;
  // Releases every factory still registered (see releaseFactories).
  ~referenceEngineC();

  // zkIUnknown: "ZKIIDUNK" and "ZKCOMENGFACT" answer the engine itself with a
  // reference added and 0; anything else stores null and answers 1.
  uint32_t QueryInterface(const zkIIDS* id, void** out) override;
  uint32_t AddRef() override;
  uint32_t Release() override;

  // zkIComEngineFactory. RegisterFactory refuses (1) a null factory or
  // cookie; RevokeFactory answers 1 for a cookie it does not hold.
  uint32_t RegisterFactory(const zkIIDS* interfaceId, zkIUnknown* factory, uint32_t flags, uint32_t* cookie) override;
  uint32_t RevokeFactory(uint32_t cookie) override;

  // Creates an object of class `className` through the registered class
  // factories, newest first. With `counted` the identifier record carries the
  // name's length (compared exactly), otherwise it is uncounted (compared
  // ignoring letter case by the factory). Answers 0 and the object with one
  // reference in *out, or 1 (names longer than 35 characters included) with
  // *out untouched.
  uint32_t createObject(const char* className, bool counted, zkIUnknown** out);

  // Drops every registration and releases its factory. A module may leave a
  // registration behind (two initialisations revoke the second cookie
  // twice), and the factory's code lives in the module: a host calls this
  // after the module's last termination and before unloading it.
  void releaseFactories();

  // An engine that does not answer "ZKCOMENGFACT", as some hosts are.
  void setAnswersEngineFactory(bool answers);

  uint32_t referenceCount() const;
  size_t registeredFactoryCount() const;
  callRecordS calls() const;

 private:
  struct registrationS {
    uint32_t cookie;
    zkIUnknown* factory;  // one reference held
  };

  mutable std::mutex mutex;
  uint32_t refCount = 0;
  uint32_t nextCookie = 1;
  bool answersEngineFactory = true;
  std::vector<registrationS> registrations;
  callRecordS record;
};
