#pragma once
// The plug-in's identity record.

#include <cstddef>
#include <cstdint>

#include "rigging/client/daw.h"

namespace rigging {

struct PluginVersion {
    int major = 0;
    int minor = 0;
    int patch = 0;

    // major << 16 | minor << 8 | patch; the state chunk stores this form.
    std::int32_t toAUVersion() const noexcept;
    // major*1000 + minor*100 + patch*10 (1.1.2 gives 1120).
    std::int32_t toVSTVersion() const noexcept;
    // "%d.%d.%d" into buffer; the buffer's last byte is always 0 when size > 0.
    void toVST3VersionString(char* buffer, std::size_t size) const noexcept;
};

// A four-character identifier, written as a 4-letter literal: FourCC("MGVA").
struct FourCC {
    char chars[4] = {0, 0, 0, 0};

    constexpr FourCC() noexcept = default;
    constexpr FourCC(const char (&text)[5]) noexcept : chars{text[0], text[1], text[2], text[3]} {}

    // First character in the highest byte.
    constexpr std::uint32_t bigEndian() const noexcept {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(chars[0])) << 24 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(chars[1])) << 16 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(chars[2])) << 8 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(chars[3]));
    }
    // First character in the lowest byte (the characters read as a little-endian word).
    constexpr std::uint32_t littleEndian() const noexcept { return __builtin_bswap32(bigEndian()); }
};

// Strings are borrowed static text: a plug-in fills the record from constants only.
struct PluginInfo {
    const char* vendorName = "";
    FourCC vendorUniqueID;
    const char* vendorSupportEmail = "";
    const char* pluginName = "";
    const char* pluginHomepage = "";
    FourCC pluginUniqueID;
    PluginVersion publicVersion;
    bool hasGUI = false;
    bool isSynth = false;
    bool receivesMIDI = false;
    PluginCategory category = PluginCategory::otherEffect;
    const char* vstBundleIdentifier = "";
    const char* auBundleIdentifier = "";
    const char* aaxBundleIdentifier = "";
};

}  // namespace rigging
