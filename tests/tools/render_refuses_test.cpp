// brindlewave-render on bad arguments and bad input: one line on stderr saying what is wrong and
// a non-zero exit, never an abort, and nothing of a refused length is made or read first.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "wav.h"

namespace brindlewave::render {
namespace {

struct Outcome {
    int status = -1;  // exit status; -1 when ended by a signal
    std::string stderrText;
};

Outcome runRenderer(const std::string& arguments) {
    const std::string errPath =
        ::testing::TempDir() + "render_refuses_" + std::to_string(::getpid()) + ".err";
    const std::string cmd = std::string(BRINDLEWAVE_RENDER) + " " + arguments +
                            " > /dev/null 2> '" + errPath + "' < /dev/null";
    const int raw = std::system(cmd.c_str());
    Outcome r;
    // The shell reports a child killed by a signal as 128 + its number.
    if (WIFEXITED(raw) && WEXITSTATUS(raw) < 128) r.status = WEXITSTATUS(raw);
    std::ifstream f(errPath);
    r.stderrText.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    std::remove(errPath.c_str());
    return r;
}

void writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

struct Case {
    const char* what;
    std::string arguments;
    int status;           // 2: bad arguments; 1: bad input; 0: accepted
    const char* message;  // part of the one line; accepted runs print nothing to stderr
};

TEST(RenderRefuses, EachBadArgumentOrInputWithOneLineAndAnExitStatus) {
    std::string dirTemplate = ::testing::TempDir() + "render_refuses_XXXXXX";
    ASSERT_NE(::mkdtemp(dirTemplate.data()), nullptr);
    const std::string dir = dirTemplate;

    // A header that says 16-bit stereo at 48 kHz with a data chunk of 600 MB, in a sparse file
    // that long: more frames than a render holds, refused from the header alone.
    const std::string huge = dir + "/huge.wav";
    std::vector<unsigned char> header = encodeWav(AudioBuffer(2, 0, 48000), WavSampleFormat::pcm16);
    const std::uint32_t claimed = 600000000;
    std::memcpy(&header[40], &claimed, 4);
    writeFile(huge, header);
    ASSERT_EQ(::truncate(huge.c_str(), off_t(header.size()) + claimed), 0);
    // A short file at a rate no host runs at.
    const std::string slow = dir + "/4000hz.wav";
    writeFile(slow, encodeWav(AudioBuffer(1, 100, 4000), WavSampleFormat::pcm16));

    const std::string sig = "--signal silence --seconds 0.01 ";
    const Case cases[] = {
        // Layout: negative counts mean "any" to the plug-in's own check.
        {"negative layout", sig + "--layout -1,2", 2, "--layout '-1,2'"},
        {"three inputs", sig + "--layout 3,2", 2, "--layout '3,2'"},
        {"layout with trailing text", sig + "--layout 2,2x", 2, "--layout '2,2x'"},
        // Lengths whose frame count overflows int, or wraps positive and grows past 5 GB.
        {"50000 s at 48 kHz", "--signal silence --seconds 50000", 2, "2400000000 frames"},
        {"11200 s at 192 kHz", "--signal silence --rate 192000 --seconds 11200", 2,
         "2150400000 frames"},
        {"1e6 s", "--signal silence --seconds 1e6", 2, "48000000000 frames"},
        {"one frame over the cap", "--signal silence --rate 8000 --seconds 8388.608125", 2,
         "67108865 frames"},
        {"infinite length", "--signal silence --seconds inf", 2, "--seconds: 'inf'"},
        {"zero length", "--signal silence --seconds 0", 2, "--seconds must be above 0"},
        {"under one frame", "--signal silence --seconds 1e-9", 2, "less than one frame"},
        {"infinite rate", sig + "--rate inf", 2, "--rate: 'inf'"},
        {"rate below hosts'", sig + "--rate 7999", 2, "--rate must be within"},
        {"rate above hosts'", sig + "--rate 768001", 2, "--rate must be within"},
        {"rate not a number", sig + "--rate fast", 2, "--rate: 'fast'"},
        {"block not a number", sig + "--block abc", 2, "--block: 'abc'"},
        {"block 0", sig + "--block 0", 2, "--block: '0'"},
        {"oversized block", sig + "--block 65537", 2, "--block: '65537'"},
        {"block past long", sig + "--block 99999999999999999999", 2, "--block: '9999"},
        {"parameter above 1", sig + "--param 3=1.5", 2, "--param '3=1.5'"},
        {"parameter below 0", sig + "--param 3=-0.01", 2, "--param '3=-0.01'"},
        {"parameter not a number", sig + "--param 3=nan", 2, "--param '3=nan'"},
        {"parameter index", sig + "--param 100000=0.5", 2, "index outside"},
        {"parameter syntax", sig + "--param 3", 2, "not INDEX=VALUE"},
        {"no source", "--seconds 1", 2, "give --input FILE.wav or --signal SIGNAL"},
        {"two sources", "--signal silence --input '" + slow + "'", 2, "exclude each other"},
        {"option without value", "--signal silence --block", 2, "--block needs a value"},
        {"unknown option", sig + "--bogus", 2, "unknown option --bogus"},
        {"bad signal", "--signal square:3", 1, "bad signal 'square:3'"},
        // Input files.
        {"directory", "--input '" + dir + "'", 1, "is a directory"},
        {"missing file", "--input '" + dir + "/none.wav'", 1, "cannot open"},
        {"endless device", "--input /dev/zero", 1, "/dev/zero: not a RIFF/WAVE file"},
        {"longer than a render holds", "--input '" + huge + "'", 1,
         "holds 150000000 frames, more than the 67108864 allowed"},
        {"file rate", "--input '" + slow + "'", 1, "sample rate 4000 Hz is outside"},
        // The edges that are taken.
        {"every edge within range",
         "--signal silence --seconds 0.01 --rate 8000 --block 65536 --layout 1,2 --param 0=0 "
         "--param 1=1",
         0, ""},
        {"highest rate, block 1", "--signal noise:-6 --seconds 0.001 --rate 768000 --block 1", 0,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.what << ": " << c.arguments);
        const Outcome r = runRenderer(c.arguments);
        EXPECT_EQ(r.status, c.status) << r.stderrText;
        if (c.status == 0) {
            EXPECT_EQ(r.stderrText, "");
            continue;
        }
        EXPECT_EQ(r.stderrText.rfind("brindlewave-render: ", 0), 0u) << r.stderrText;
        EXPECT_NE(r.stderrText.find(c.message), std::string::npos) << r.stderrText;
        EXPECT_EQ(std::count(r.stderrText.begin(), r.stderrText.end(), '\n'), 1) << r.stderrText;
    }
    std::remove(huge.c_str());
    std::remove(slow.c_str());
    ::rmdir(dir.c_str());
}

}  // namespace
}  // namespace brindlewave::render
