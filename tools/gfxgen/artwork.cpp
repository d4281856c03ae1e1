#include "artwork.h"

#include "background.h"
#include "brindlewave/gfx/resources.h"
#include "knob.h"
#include "overlays.h"
#include "pngio.h"
#include "skybox.h"
#include "strips.h"

namespace gfxgen {

namespace L = brindlewave::layout;
namespace R = brindlewave::gfx;

std::vector<ArtFile> generateArtwork(const Font& font) {
    const RgbPlanes sky = makeSkybox(L::kWidth, L::kHeight);
    const PanelMaps panel = makeBackground(font);
    BackgroundFiles bg{panel.encodeAlbedo(), panel.encodeEmission(), panel.encodeMaterial(),
                       panel.encodeHeightMap()};

    std::vector<ArtFile> files;
    auto add = [&](std::string_view name, Image8 image) {
        files.push_back({std::string(name), std::move(image)});
    };
    add(R::kLinkOn, makeLinkImage(true));
    add(R::kLinkOff, makeLinkImage(false));
    add(R::kEnvelopeOverlay, makeEnvelopeOverlay());
    add(R::kCurveOverlay, makeCurveOverlay());
    add(R::kHistoryOverlay, makeHistoryOverlay());
    add(R::kMeterOverlay, makeMeterOverlay());
    add(R::kBandCountButton, makeBandCountStrip(bg));
    add(R::kAlignLeftButton, makeAlignStrip(AlignMode::left, bg));
    add(R::kAlignRightButton, makeAlignStrip(AlignMode::right, bg));
    add(R::kAlignEvenButton, makeAlignStrip(AlignMode::even, bg));
    add(R::kAlignOuterButton, makeAlignStrip(AlignMode::outer, bg));
    add(R::kKnobFilmstrip, makeKnobFilmstrip(L::kKnobSize, L::kKnobFrames, sky));
    add(R::kOversampleButton, makeTextButtonStrip({70, 95, 80}, L::kOversampleButtons[0], bg));
    add(R::kBypassButton, makeTextButtonStrip({175, 125, 45}, L::kBypassButton, bg));
    add(R::kBaseColour, std::move(bg.albedo));
    add(R::kEmissive, std::move(bg.emission));
    add(R::kMaterial, std::move(bg.material));
    add(R::kDepth, std::move(bg.depth));
    add(R::kSkybox, encodeSkybox(sky));
    return files;
}

bool writeArtwork(const std::vector<ArtFile>& files, const std::string& dir, std::string& error) {
    for (const ArtFile& f : files) {
        const std::string path = dir + "/" + f.name;
        if (!writePng(path, f.image)) {
            error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

}  // namespace gfxgen
