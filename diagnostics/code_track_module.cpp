// The module's code-track site and manager, constructed at their rank of the
// module's start order (platform/static_order.h).
//
// The site is zero-filled static storage whose constructor writes nothing,
// so a manager built by an earlier static constructor keeps its flags; the
// code-track operations do nothing while no manager is alive.
#include "diagnostics/code_track.h"
#include "platform/static_order.h"

namespace {

codeTrackSiteS codeTrackSite ZK_STATIC_ORDER(staticOrderCodeTrack);
codeTrackMgrC codeTrackManager ZK_STATIC_ORDER(staticOrderCodeTrack)(codeTrackSite);

}  // namespace

codeTrackSiteS& codeTrackModuleSite() { return codeTrackSite; }
