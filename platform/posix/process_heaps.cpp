// The process-heap check on POSIX: there is no heap walk, so no lines.
#include "platform/process_heaps.h"

void processHeapCheck(processHeapLineFnT, void*) {}
