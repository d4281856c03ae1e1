// The main of every test runner. A runner links the tests of one area; CTest discovers them one
// group at a time, each group with its own test properties, by naming the group's sources in the
// filter: --gtest_filter=@tests/x/a_test.cpp:tests/x/b_test.cpp selects the cases defined in
// those files. Any other filter is GoogleTest's own.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string> split(std::string_view list) {
    std::vector<std::string> parts;
    while (!list.empty()) {
        const std::size_t end = list.find(':');
        if (end != 0) parts.emplace_back(list.substr(0, end));
        if (end == std::string_view::npos) break;
        list.remove_prefix(end + 1);
    }
    return parts;
}

// The compiler names a file as the build gave it, relative to the build directory or absolute;
// the group names it relative to the source tree.
bool sameFile(std::string_view compiled, std::string_view source) {
    if (compiled == source) return true;
    return compiled.size() > source.size() && compiled.ends_with(source) &&
           compiled[compiled.size() - source.size() - 1] == '/';
}

std::string groupFilter(std::string_view sources) {
    const std::vector<std::string> files = split(sources);
    const testing::UnitTest& all = *testing::UnitTest::GetInstance();
    std::string filter;
    for (int s = 0; s < all.total_test_suite_count(); ++s) {
        const testing::TestSuite& suite = *all.GetTestSuite(s);
        for (int t = 0; t < suite.total_test_count(); ++t) {
            const testing::TestInfo& test = *suite.GetTestInfo(t);
            for (const std::string& file : files) {
                if (!sameFile(test.file(), file)) continue;
                if (!filter.empty()) filter += ':';
                filter += std::string(suite.name()) + '.' + test.name();
                break;
            }
        }
    }
    // An empty filter would select every case.
    return filter.empty() ? "-*" : filter;
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const std::string filter = GTEST_FLAG_GET(filter);
    if (!filter.empty() && filter.front() == '@')
        GTEST_FLAG_SET(filter, groupFilter(std::string_view(filter).substr(1)));
    return RUN_ALL_TESTS();
}
