// Windows ends threads without unwinding their stacks: nothing to let pass.
#include "platform/thread_unwind.h"

void rethrowIfThreadUnwinding() {}
