// The module's exported entry points: the host engine binds the module with
// raVodInitRemoteEngine and unbinds it with raVodTerminateRemoteEngine.
#include <cstdint>

#include "module/engine_binding.h"
#include "platform/module_export.h"

ZK_MODULE_EXPORT uint32_t raVodInitRemoteEngine(zkIUnknown* engine) {
  (void)engine;
  return 0;
}

ZK_MODULE_EXPORT uint32_t raVodTerminateRemoteEngine() { return 0; }
