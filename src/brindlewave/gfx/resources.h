#pragma once
// The editor's images and font, compiled into the plug-in from the files of gfx/.

#include <cstddef>
#include <span>
#include <string_view>

namespace brindlewave::gfx {

// File names of gfx/ that the editor loads.
inline constexpr std::string_view kLinkOn = "link_on.png";
inline constexpr std::string_view kLinkOff = "link_off.png";
inline constexpr std::string_view kEnvelopeOverlay = "envelope_overlay.png";
inline constexpr std::string_view kCurveOverlay = "curve_overlay.png";
inline constexpr std::string_view kHistoryOverlay = "history_overlay.png";
inline constexpr std::string_view kMeterOverlay = "meter_overlay.png";
inline constexpr std::string_view kBandCountButton = "bandcount_button.png";
inline constexpr std::string_view kAlignLeftButton = "align_left.png";
inline constexpr std::string_view kAlignRightButton = "align_right.png";
inline constexpr std::string_view kAlignEvenButton = "align_even.png";
inline constexpr std::string_view kAlignOuterButton = "align_outer.png";
inline constexpr std::string_view kFont = "Lato-Bold.ttf";
inline constexpr std::string_view kKnobFilmstrip = "knob.png";
inline constexpr std::string_view kOversampleButton = "oversample_button.png";
inline constexpr std::string_view kBypassButton = "bypass_button.png";
inline constexpr std::string_view kBaseColour = "basecolor.png";
inline constexpr std::string_view kEmissive = "emissive.png";
inline constexpr std::string_view kMaterial = "material.png";
inline constexpr std::string_view kDepth = "depth.png";
inline constexpr std::string_view kSkybox = "skybox.png";

struct Resource {
    std::string_view name;  // file name in gfx/
    const unsigned char* data;
    std::size_t size;
};

// Every embedded file, sorted by name.
std::span<const Resource* const> resources();

// The embedded file of that name, or null.
const Resource* findResource(std::string_view name);

}  // namespace brindlewave::gfx
