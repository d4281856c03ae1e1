// Renders the compositor's reference scenes to PNG files for review:
//   brindlewave-compositor-preview OUTPUT_DIR
// raised-square.png    a raised square lit by every pass (glossy paint)
// test-panel.png       an editor-like panel lit by every pass, with the studio skybox
// test-panel-detail.png  its lower right corner, enlarged twice
// test-panel-<pass>.png  the same panel lit by one light pass alone

#include <cstdio>
#include <string>

#include "compositor/scene.h"

using namespace brindlewave::preview;
using rigging::PBRCompositor;

namespace {

bool save(const std::string& dir, const char* name, PBRScene& scene) {
    std::string path = dir + "/" + name;
    if (!writePNG(path.c_str(), scene.output())) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}

void onlyPass(PBRCompositor& c, int keep) {
    for (int i = 0; i < PBRCompositor::kPassCount; ++i)
        c.getPass(i)->active =
            i == PBRCompositor::kNormalPass || i == PBRCompositor::kConvertPass || i == keep;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];

    {
        PBRScene scene(320, 240);
        drawRaisedSquare(scene, RGBA{200, 200, 200, 0}, RGBA{40, 0, 255, 255});
        scene.regenerate();
        scene.compositeTiled();
        if (!save(dir, "raised-square.png", scene)) return 1;
    }

    PBRScene panel(1000, 700);
    drawTestPanel(panel);
    panel.regenerate();
    panel.compositor().skyboxPass().setSkybox(makeStudioSkybox(1000, 700));
    panel.compositeTiled();
    if (!save(dir, "test-panel.png", panel)) return 1;
    const std::string detail = dir + "/test-panel-detail.png";
    if (!writeZoomedPNG(detail.c_str(), panel.output(), geom::box2i(540, 560, 1000, 700), 2))
        return 1;
    std::printf("%s\n", detail.c_str());

    const struct {
        int pass;
        const char* file;
    } alone[] = {{PBRCompositor::kAmbientOcclusionPass, "test-panel-ambient.png"},
                 {PBRCompositor::kObliqueShadowPass, "test-panel-shadowed.png"},
                 {PBRCompositor::kDirectionalPass, "test-panel-directional.png"},
                 {PBRCompositor::kSpecularPass, "test-panel-highlight.png"},
                 {PBRCompositor::kSkyboxPass, "test-panel-skybox.png"},
                 {PBRCompositor::kEmissivePass, "test-panel-emissive.png"}};
    for (const auto& a : alone) {
        onlyPass(panel.compositor(), a.pass);
        panel.compositeTiled();
        if (!save(dir, a.file, panel)) return 1;
    }
    return 0;
}
