// Telling the unwinding of an ending thread apart from ordinary exceptions.
//
// On POSIX a thread that is cancelled (threadC::terminate) or that ends
// itself (threadC::exitCurrent) unwinds its stack with a special exception
// that every catch (...) sees. A handler that swallows it does not stop the
// thread from ending: the process aborts instead. Code that catches every
// exception therefore calls rethrowIfThreadUnwinding() first in its
// catch (...) handler.
//
// Backend contract (platform/<posix|win32>/thread_unwind.cpp):
// - rethrowIfThreadUnwinding() must be called only while a catch handler is
//   active. It rethrows the exception being handled when that exception is
//   the unwinding of an ending thread, and returns otherwise, leaving the
//   exception handled by the caller's handler. Windows ends threads without
//   unwinding (TerminateThread, _endthreadex), so there it always returns.
#pragma once

void rethrowIfThreadUnwinding();
