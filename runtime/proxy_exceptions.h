// The exceptions of dispatch.
//
// They travel only from a method handler (or the argument reads it makes) to
// proxyObjectC::Invoke, which turns every one of them into status 1 and an
// error object; they never cross an interface.
//
// - proxyAutoTypeCastExceptionC: the row does not fit the arguments (a failed
//   conversion, an argument index outside the list); Invoke tries the next
//   fitting row.
// - proxyExecuteExceptionC: the handler failed; its context and description
//   become the error object's texts.
// - proxyExecuteComExceptionC: the handler failed with an error object of its
//   own, which becomes the inner error of the returned error object.
#pragma once

#include "abi/interface_ptr.h"
#include "base/str.h"

class proxyExceptionBaseC {
 public:
  virtual ~proxyExceptionBaseC() = default;
};

class proxyAutoTypeCastExceptionC : public proxyExceptionBaseC {};

class proxyExecuteExceptionC : public proxyExceptionBaseC {
 public:
  proxyExecuteExceptionC(const str& contextText, const str& descriptionText)
      : context(contextText), description(descriptionText) {}

  str context;      // where it failed; empty: "methode:" + member name
  str description;  // what failed; empty: "Object call failed"
};

class proxyExecuteComExceptionC : public proxyExceptionBaseC {
 public:
  explicit proxyExecuteComExceptionC(zkIUnknown* errorObject) : error(errorObject) {}

  zkInterfacePtrT<zkIUnknown> error;  // one reference on the thrower's error object
};

// Throws proxyAutoTypeCastExceptionC.
[[noreturn]] void throwTypeCastError();
// Throws proxyExecuteExceptionC holding copies of the two texts.
[[noreturn]] void throwExecuteError(const str& description, const str& context);
// Throws proxyExecuteComExceptionC holding one reference to `error`.
[[noreturn]] void throwExecuteComError(zkIUnknown* error);
