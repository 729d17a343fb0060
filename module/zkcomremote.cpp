// The module's exported entry points: the host engine binds the module with
// raVodInitRemoteEngine and unbinds it with raVodTerminateRemoteEngine.
#include <cstdint>

#include "platform/module_export.h"

ZK_MODULE_EXPORT uint32_t raVodInitRemoteEngine(void* engine) {
  (void)engine;
  return 0;
}

ZK_MODULE_EXPORT uint32_t raVodTerminateRemoteEngine() { return 0; }
