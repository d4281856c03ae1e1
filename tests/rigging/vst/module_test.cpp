// What a built VST 2.4 module shows a host: its exports, its dependencies, and its entry.

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "vst2host.h"

using namespace rigging::vst;

namespace {

std::vector<std::string> modulePaths() {
    std::vector<std::string> out;
    std::stringstream ss(VST2_MODULES);
    std::string p;
    while (std::getline(ss, p, ':'))
        if (!p.empty()) out.push_back(p);
    return out;
}

std::string run(const std::string& cmd) {
    std::string out;
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return out;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    pclose(f);
    return out;
}

// name -> type letter, from nm output lines "[address] TYPE name".
std::vector<std::pair<char, std::string>> symbols(const std::string& nmOutput) {
    std::vector<std::pair<char, std::string>> out;
    std::stringstream ss(nmOutput);
    std::string line;
    while (std::getline(ss, line)) {
        std::stringstream ls(line);
        std::vector<std::string> f;
        std::string w;
        while (ls >> w) f.push_back(w);
        if (f.size() >= 2) out.emplace_back(f[f.size() - 2][0], f.back());
    }
    return out;
}

class Module : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(Module, ExportsExactlyTheTwoEntryNamesUnderTheVersionNode) {
    std::set<std::string> exported;
    for (auto& [type, name] :
         symbols(run("nm -D --defined-only --with-symbol-versions '" + GetParam() + "'")))
        if (type != 'A') exported.insert(name);  // 'A': the version node itself
    EXPECT_EQ(exported, (std::set<std::string>{"VSTPluginMain@@VSTABI_1.0", "main@@VSTABI_1.0"}));
}

TEST_P(Module, NeedsNoCppRuntimeAndRunsNothingAtLoad) {
#ifndef VST2_SANITIZED_MODULES
    // A static constructor, ours or the linked-in runtime's, would run code at load.
    for (auto& [type, name] : symbols(run("nm '" + GetParam() + "'")))
        EXPECT_EQ(name.rfind("_GLOBAL__sub_I", 0), std::string::npos) << name;
    // Only the toolchain's own frame_dummy entry (8 bytes) may stand in .init_array.
    std::stringstream sections(run("readelf -S -W '" + GetParam() + "'"));
    std::string line;
    while (std::getline(sections, line)) {
        if (line.find(".init_array") == std::string::npos) continue;
        std::stringstream ls(line.substr(line.find(".init_array")));
        std::string name, type, addr, off, size;
        ls >> name >> type >> addr >> off >> size;
        EXPECT_LE(std::stoul(size, nullptr, 16), 8u) << line;
    }
    std::string needed = run("readelf -d '" + GetParam() + "' | grep NEEDED");
    EXPECT_EQ(needed.find("libstdc++"), std::string::npos) << needed;
    EXPECT_EQ(needed.find("libgcc_s"), std::string::npos) << needed;
    // Nothing may be left for the host's C++ runtime to resolve.
    for (auto& [type, name] : symbols(run("nm -D --undefined-only '" + GetParam() + "'"))) {
        EXPECT_EQ(name.find("@GLIBCXX"), std::string::npos) << name;
        EXPECT_EQ(name.find("@CXXABI"), std::string::npos) << name;
        EXPECT_EQ(name.find("@GCC_"), std::string::npos) << name;
    }
#endif
}

TEST_P(Module, BothEntriesAreOneFunctionRefusingANullCallback) {
    vst2host::Module m(GetParam());
    ASSERT_TRUE(m.loaded()) << m.error();
    auto a = m.versionedSymbol("VSTPluginMain", "VSTABI_1.0");
    auto b = m.versionedSymbol("main", "VSTABI_1.0");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(m.symbol("VSTPluginMain"), a);
    for (auto entry : {a, b}) {
        vst2host::Host host;
        EXPECT_EQ(host.open(entry, true), nullptr);
        AEffect* e = host.open(entry);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->magic, kEffectMagic);
        host.close();
        EXPECT_EQ(host.fpViolations(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Built, Module, ::testing::ValuesIn(modulePaths()), [](const auto& info) {
    std::string n = info.param.substr(info.param.rfind('/') + 1);
    return n.substr(0, n.find('.'));
});
