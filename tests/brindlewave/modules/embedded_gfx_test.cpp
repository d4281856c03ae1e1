// Each shipped module carries every file of gfx/ byte for byte: a module missing its artwork
// would only fail once a musician opens the editor.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "brindlewave/gfx/resources.h"

namespace {

std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void expectEveryResourceInside(const std::string& modulePath) {
    const std::vector<unsigned char> module = readFile(modulePath);
    ASSERT_FALSE(module.empty()) << modulePath;
    ASSERT_FALSE(brindlewave::gfx::resources().empty());
    for (const brindlewave::gfx::Resource* r : brindlewave::gfx::resources()) {
        ASSERT_GT(r->size, 0u) << r->name;
        const auto at = std::search(module.begin(), module.end(), r->data, r->data + r->size);
        EXPECT_NE(at, module.end()) << modulePath << " lacks " << r->name;
    }
}

TEST(EmbeddedArtwork, Vst3ModuleCarriesEveryFile) {
    expectEveryResourceInside(BRINDLEWAVE_VST3_SO);
}

TEST(EmbeddedArtwork, Vst2ModuleCarriesEveryFile) {
    expectEveryResourceInside(BRINDLEWAVE_VST2_SO);
}

}  // namespace
