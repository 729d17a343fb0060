// The reference host engine's object and factory registry.
#include "host/reference_engine.h"

#include <cstring>

referenceEngineC::~referenceEngineC() { releaseFactories(); }

void referenceEngineC::releaseFactories() {
  std::vector<registrationS> remaining;
  {
    std::lock_guard<std::mutex> guard(mutex);
    remaining.swap(registrations);
  }
  for (const registrationS& registration : remaining) registration.factory->Release();
}

uint32_t referenceEngineC::QueryInterface(const zkIIDS* id, void** out) {
  if (out == nullptr) return 1;
  bool answered = false;
  if (id != nullptr) {
    std::lock_guard<std::mutex> guard(mutex);
    answered = id->equal(zkIID_IUnknown) || (answersEngineFactory && id->equal(zkIID_IEngineFactory));
  }
  if (!answered) {
    *out = nullptr;
    return 1;
  }
  AddRef();
  *out = static_cast<zkIComEngineFactory*>(this);
  return 0;
}

uint32_t referenceEngineC::AddRef() {
  std::lock_guard<std::mutex> guard(mutex);
  return ++refCount;
}

uint32_t referenceEngineC::Release() {
  std::lock_guard<std::mutex> guard(mutex);
  // A release without a matching reference is the caller's error; keep the
  // count from wrapping so the leak check stays meaningful.
  if (refCount > 0) --refCount;
  return refCount;
}

uint32_t referenceEngineC::RegisterFactory(const zkIIDS* interfaceId, zkIUnknown* factory, uint32_t flags,
                                           uint32_t* cookie) {
  (void)interfaceId;
  std::lock_guard<std::mutex> guard(mutex);
  ++record.registerCalls;
  record.registerFlags = flags;
  if (factory == nullptr || cookie == nullptr) return 1;
  factory->AddRef();
  const uint32_t handedOut = nextCookie++;
  registrations.push_back({handedOut, factory});
  record.registered.push_back(handedOut);
  *cookie = handedOut;
  return 0;
}

uint32_t referenceEngineC::RevokeFactory(uint32_t cookie) {
  zkIUnknown* factory = nullptr;
  {
    std::lock_guard<std::mutex> guard(mutex);
    record.revoked.push_back(cookie);
    for (auto it = registrations.begin(); it != registrations.end(); ++it) {
      if (it->cookie == cookie) {
        factory = it->factory;
        registrations.erase(it);
        break;
      }
    }
  }
  if (factory == nullptr) return 1;
  // Released outside the lock: the factory's destruction may call back.
  factory->Release();
  return 0;
}

uint32_t referenceEngineC::createObject(const char* className, bool counted, zkIUnknown** out) {
  if (className == nullptr || out == nullptr) return 1;
  const size_t length = std::strlen(className);
  zkIIDS name = {};
  if (length >= sizeof name.name) return 1;
  std::memcpy(name.name, className, length);
  name.length = counted ? static_cast<uint32_t>(length) : 0;

  std::vector<zkIUnknown*> factories;
  {
    std::lock_guard<std::mutex> guard(mutex);
    for (auto it = registrations.rbegin(); it != registrations.rend(); ++it) {
      it->factory->AddRef();
      factories.push_back(it->factory);
    }
  }
  uint32_t status = 1;
  for (zkIUnknown* factory : factories) {
    if (status != 0) {
      void* classFactory = nullptr;
      if (factory->QueryInterface(&zkIID_IClassFactory, &classFactory) == 0 && classFactory != nullptr) {
        zkIComClassFactory* creator = static_cast<zkIComClassFactory*>(classFactory);
        status = creator->CreateInstance(&name, out);
        creator->Release();
      }
    }
    factory->Release();
  }
  return status;
}

void referenceEngineC::setAnswersEngineFactory(bool answers) {
  std::lock_guard<std::mutex> guard(mutex);
  answersEngineFactory = answers;
}

uint32_t referenceEngineC::referenceCount() const {
  std::lock_guard<std::mutex> guard(mutex);
  return refCount;
}

size_t referenceEngineC::registeredFactoryCount() const {
  std::lock_guard<std::mutex> guard(mutex);
  return registrations.size();
}

referenceEngineC::callRecordS referenceEngineC::calls() const {
  std::lock_guard<std::mutex> guard(mutex);
  return record;
}
