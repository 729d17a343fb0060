// Module hooks: code that runs when the module is first bound to a host
// engine and when the last binding ends.
//
// A hook links itself at the head of moduleHookList when it is constructed
// (during the module's static construction) and unlinks itself when it is
// destroyed. The entry points run every hook from the head of the list while
// they hold the engine lock, so hooks must not call back into them.
#pragma once

class moduleHookC {
 public:
  moduleHookC();
  moduleHookC(const moduleHookC&) = delete;
  moduleHookC& operator=(const moduleHookC&) = delete;

  // Slot 1: runs at the first initialisation, after the engine is stored.
  virtual void onFirstInitialisation() = 0;
  // Slot 2: runs at the last termination, before the engine is released.
  virtual void onLastTermination() = 0;

  moduleHookC* nextHook() const { return next; }

 protected:
  ~moduleHookC();

 private:
  moduleHookC* next;  // the hook constructed before this one, or null
};

// The most recently constructed hook, or null.
extern moduleHookC* moduleHookList;

// Runs onFirstInitialisation / onLastTermination of every hook, from the head.
void runFirstInitialisationHooks();
void runLastTerminationHooks();
