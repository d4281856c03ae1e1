#include "rigging/client/plugininfo.h"

#include <cstdio>

namespace rigging {

std::int32_t PluginVersion::toAUVersion() const noexcept {
    return (major << 16) | (minor << 8) | patch;
}

std::int32_t PluginVersion::toVSTVersion() const noexcept {
    return major * 1000 + minor * 100 + patch * 10;
}

void PluginVersion::toVST3VersionString(char* buffer, std::size_t size) const noexcept {
    std::snprintf(buffer, size, "%d.%d.%d", major, minor, patch);
    if (size > 0) buffer[size - 1] = 0;
}

}  // namespace rigging
