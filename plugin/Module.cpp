// What happens when the module is loaded and unloaded: the debug log opens first, then the
// archetype names are interned; at unload the log closes. Only the loadable module has this.
#include "effects/Archetypes.h"
#include "host/HostApi.h"
#include "support/IDebugLog.h"

namespace vialmark {
namespace {

IDebugLog gLog("skse_Runeplate.log");

struct ArchetypeNamesAtLoad {
  ArchetypeNamesAtLoad() {
    // In a process that is no host there is no string cache to intern with; the handshake
    // will say so and refuse.
    if (host::BindingComplete()) BuildArchetypeNames();
  }
} gArchetypeNames;

}  // namespace
}  // namespace vialmark
