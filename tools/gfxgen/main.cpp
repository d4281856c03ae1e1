// brindlewave-gfxgen: draws every picture of the editor into a folder.
//
//   brindlewave-gfxgen --font gfx/Lato-Bold.ttf --out gfx [--preview docs/artwork]

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "artwork.h"
#include "preview.h"
#include "text.h"

int main(int argc, char** argv) {
    std::string fontPath, outDir, previewDir;
    for (int i = 1; i < argc; ++i) {
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        bool ok = true;
        if (!std::strcmp(argv[i], "--font"))
            ok = value(fontPath);
        else if (!std::strcmp(argv[i], "--out"))
            ok = value(outDir);
        else if (!std::strcmp(argv[i], "--preview"))
            ok = value(previewDir);
        else
            ok = false;
        if (!ok) {
            std::fprintf(stderr, "usage: %s --font <ttf> --out <dir> [--preview <dir>]\n", argv[0]);
            return 2;
        }
    }
    if (fontPath.empty() || outDir.empty()) {
        std::fprintf(stderr, "usage: %s --font <ttf> --out <dir> [--preview <dir>]\n", argv[0]);
        return 2;
    }
    const gfxgen::Font font(fontPath);
    if (!font.ok()) {
        std::fprintf(stderr, "cannot read the font %s\n", fontPath.c_str());
        return 1;
    }
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    if (!previewDir.empty()) std::filesystem::create_directories(previewDir, ec);
    const auto files = gfxgen::generateArtwork(font);
    std::string error;
    if (!gfxgen::writeArtwork(files, outDir, error) ||
        (!previewDir.empty() && !gfxgen::writePreviews(files, font, previewDir, error))) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
