// The list of module hooks.
#include "module/module_hook.h"

// Zero-initialised before any constructor runs, so hooks may link themselves
// in from any static constructor.
moduleHookC* moduleHookList = nullptr;

moduleHookC::moduleHookC() : next(moduleHookList) { moduleHookList = this; }

moduleHookC::~moduleHookC() {
  for (moduleHookC** link = &moduleHookList; *link != nullptr; link = &(*link)->next) {
    if (*link == this) {
      *link = next;
      break;
    }
  }
}

void runFirstInitialisationHooks() {
  for (moduleHookC* hook = moduleHookList; hook != nullptr; hook = hook->nextHook()) {
    hook->onFirstInitialisation();
  }
}

void runLastTerminationHooks() {
  for (moduleHookC* hook = moduleHookList; hook != nullptr; hook = hook->nextHook()) {
    hook->onLastTermination();
  }
}
