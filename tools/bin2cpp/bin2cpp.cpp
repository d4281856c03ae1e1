// brindlewave-bin2cpp <input file> <resource name> <identifier> <output .cpp>
//
// Writes a C++ source that holds the bytes of one file as a brindlewave::gfx::Resource, so that
// the file is compiled into the plug-in. The bytes are written as a string literal, which
// compilers read far faster than a list of numbers.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s <input> <name> <identifier> <output.cpp>\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    const std::string name = argv[2], id = argv[3];

    std::string out;
    out.reserve(bytes.size() * 3 + 1024);
    out += "// Generated from gfx/" + name + " by brindlewave-bin2cpp; do not edit.\n";
    out += "#include \"brindlewave/gfx/resources.h\"\n\nnamespace {\n\n";
    out += "const unsigned char kData[] =\n\"";
    size_t column = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = bytes[i];
        // Printable characters go as they are, everything else as a three-digit octal
        // escape, which can never run into the following character.
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '?') {
            out += static_cast<char>(c);
            column += 1;
        } else {
            char esc[5];
            std::snprintf(esc, sizeof esc, "\\%03o", c);
            out += esc;
            column += 4;
        }
        if (column >= 96 && i + 1 < bytes.size()) {
            out += "\"\n\"";
            column = 0;
        }
    }
    out += "\";\n\n}  // namespace\n\n";
    out += "namespace brindlewave::gfx::embedded {\n\n";
    out += "extern const Resource " + id + ";\n";
    out += "constinit const Resource " + id + "{\"" + name + "\", kData, " +
           std::to_string(bytes.size()) + "};\n\n";
    out += "}  // namespace brindlewave::gfx::embedded\n";

    std::ofstream file(argv[4], std::ios::binary);
    file << out;
    if (!file) {
        std::fprintf(stderr, "cannot write %s\n", argv[4]);
        return 1;
    }
    return 0;
}
