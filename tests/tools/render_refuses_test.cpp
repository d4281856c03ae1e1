// brindlewave-render on bad arguments and bad input: one line on stderr saying what is wrong and
// a non-zero exit, never an abort, and nothing of a refused length is made or read first. Nor
// does it ever destroy a file or leave a partial one.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "testsignal.h"
#include "wav.h"

namespace brindlewave::render {
namespace {

struct Outcome {
    int status = -1;  // exit status; -1 when ended by a signal
    std::string stderrText;
};

struct Surroundings {
    std::string folder = ".";          // where it runs
    std::string standardOutput;        // appended to, relative to the folder; none: /dev/null
    rlim_t fileLimit = RLIM_INFINITY;  // the largest file it may write
    bool plainUser = false;  // as root too, the files' permissions hold, as for any other user
    int killOnceOpen = 0;    // a signal sent as soon as it holds a file open in the folder
};

// Whether `child` holds a file in `folder` open.
bool holdsFileIn(pid_t child, const std::string& folder) {
    const std::string fds = "/proc/" + std::to_string(child) + "/fd";
    bool found = false;
    if (DIR* d = ::opendir(fds.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            char to[PATH_MAX];
            const ssize_t n = ::readlink((fds + "/" + e->d_name).c_str(), to, sizeof to - 1);
            if (n > 0 && std::string(to, std::size_t(n)).rfind(folder + "/", 0) == 0) found = true;
        }
        ::closedir(d);
    }
    return found;
}

Outcome runRenderer(const std::string& arguments, const Surroundings& around = {}) {
    const std::string errPath =
        ::testing::TempDir() + "render_refuses_" + std::to_string(::getpid()) + ".err";
    const std::string out = around.standardOutput.empty() ? "/dev/null" : around.standardOutput;
    const std::string cmd = "cd '" + around.folder + "' && exec " + BRINDLEWAVE_RENDER + " " +
                            arguments + " >> '" + out + "' 2> '" + errPath + "' < /dev/null";
    const pid_t child = ::fork();
    if (child == 0) {
        // SIGXFSZ stays as it is: the renderer itself makes the limit fail a write.
        const rlimit limit{around.fileLimit, around.fileLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        // Gone from what this process and all it runs may ever have.
        if (around.plainUser && ::geteuid() == 0 &&
            ::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0)
            ::_exit(126);
        ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int raw = 0;
    Outcome r;
    if (child < 0) return r;
    pid_t ended = 0;
    if (around.killOnceOpen) {
        char* folder = ::realpath(around.folder.c_str(), nullptr);
        for (int waited = 0; waited < 10000 && (ended = ::waitpid(child, &raw, WNOHANG)) == 0;
             ++waited) {
            if (folder && holdsFileIn(child, folder)) {
                ::kill(child, around.killOnceOpen);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::free(folder);
    }
    if (ended != child && ::waitpid(child, &raw, 0) != child) return r;
    if (WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
    std::ifstream f(errPath);
    r.stderrText.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    std::remove(errPath.c_str());
    return r;
}

void writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.insert(e->d_name);
        ::closedir(d);
    }
    return names;
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

// However the output fails, the input and an output already there keep their bytes, and nothing
// partial is left: no output, no temporary file, nothing added to a file as standard output.
// A link is written through, and an input cut short rendered as far as it goes.
TEST(RenderRefuses, NeverDestroysAFileNorLeavesAPartialOne) {
    std::string dirTemplate = ::testing::TempDir() + "render_keeps_XXXXXX";
    ASSERT_NE(::mkdtemp(dirTemplate.data()), nullptr);
    const std::string dir = dirTemplate;
    const AudioBuffer noiseFrames = makeNoise(2, 4800, 48000, -10, 3);
    const std::vector<unsigned char> input = encodeWav(noiseFrames, WavSampleFormat::float32);
    const std::vector<unsigned char> old = {'o', 'l', 'd'};
    // What a render of x.wav is, and of its first 619 frames: all a copy cut to 5000 bytes holds.
    const Surroundings here{.folder = dir, .standardOutput = ""};
    AudioBuffer head = noiseFrames;
    for (auto& channel : head.channels) channel.resize(619);
    writeFile(dir + "/x.wav", encodeWav(head, WavSampleFormat::float32));
    ASSERT_EQ(runRenderer("--input x.wav --output rendered.wav", here).status, 0);
    const std::vector<unsigned char> headRendered = readFile(dir + "/rendered.wav");
    writeFile(dir + "/x.wav", input);
    ASSERT_EQ(runRenderer("--input x.wav --output rendered.wav", here).status, 0);
    const std::vector<unsigned char> rendered = readFile(dir + "/rendered.wav");
    ASSERT_EQ(rendered.size(), input.size());
    std::remove((dir + "/rendered.wav").c_str());

    ASSERT_EQ(::symlink("x.wav", (dir + "/link.wav").c_str()), 0);
    ASSERT_EQ(::link((dir + "/x.wav").c_str(), (dir + "/hard.wav").c_str()), 0);
    writeFile(dir + "/old.wav", old);
    ASSERT_EQ(::chmod((dir + "/old.wav").c_str(), 0640), 0);
    writeFile(dir + "/locked.wav", old);
    ASSERT_EQ(::chmod((dir + "/locked.wav").c_str(), 0444), 0);
    ASSERT_EQ(::symlink("new.wav", (dir + "/dangling.wav").c_str()), 0);
    writeFile(dir + "/cut.wav", std::vector<unsigned char>(input.begin(), input.begin() + 5000));
    const std::set<std::string> fixture = namesIn(dir);
    std::map<std::string, std::vector<unsigned char>> before;
    for (const char* name : {"x.wav", "old.wav", "locked.wav", "cut.wav"})
        before[name] = readFile(dir + "/" + name);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    // Where the file system names no file until it is complete, nothing is left whatever ends
    // the renderer.
    const int probe = ::open(dir.c_str(), O_TMPFILE | O_WRONLY, 0600);
    const bool unnamedFiles = probe >= 0;
    if (probe >= 0) ::close(probe);

    struct Case {
        const char* what;
        std::string arguments;
        Surroundings around;
        int status;
        const char* message;  // part of the one line; for an accepted run, how stderr begins
        const char* result;   // the file that holds the render afterwards, if any
        const std::vector<unsigned char>* render = nullptr;  // what it holds; none: x.wav's
    };
    const rlim_t small = 65536;  // a render of a second does not fit
    auto with = [&](const char* standardOutput, rlim_t limit = RLIM_INFINITY) {
        return Surroundings{.folder = dir, .standardOutput = standardOutput, .fileLimit = limit};
    };
    const std::string noise = "--signal noise:-10 --seconds 1 ";
    const Surroundings plainUser{.folder = dir, .plainUser = true};
    const Surroundings killed{.folder = dir, .killOnceOpen = SIGKILL};
    const Case cases[] = {
        {"output is the input", "--input x.wav --output x.wav", here, 2,
         "--output x.wav is the input file", nullptr},
        {"through a symbolic link", "--input x.wav --output link.wav", here, 2, "is the input",
         nullptr},
        {"through a hard link", "--input hard.wav --output x.wav", here, 2, "is the input",
         nullptr},
        {"another spelling", "--input x.wav --output '" + dir + "/./x.wav'", here, 2,
         "is the input", nullptr},
        {"standard output appends to the input", "--input x.wav --output -", with("x.wav"), 2,
         "standard output is the input file", nullptr},
        {"empty output path", "--input x.wav --output ''", here, 2, "--output needs a file name",
         nullptr},
        {"missing folder", noise + "--output none/y.wav", here, 1,
         "cannot create none/y.wav: No such file or directory", nullptr},
        {"disk full over an output already there", noise + "--output old.wav", with("", small), 1,
         "cannot write old.wav: File too large", nullptr},
        {"disk full on standard output", noise + "--output -", with("out.wav", small), 1,
         "cannot write standard output: File too large", nullptr},
        {"input fails after the output is made", "--input none.wav --output y.wav", here, 1,
         "cannot open none.wav", nullptr},
        {"a new file", "--input x.wav --output y.wav", here, 0, "", "y.wav"},
        {"over an output already there", "--input x.wav --output old.wav", here, 0, "", "old.wav"},
        {"standard output to a regular file", "--input x.wav --output -", with("out.wav"), 0,
         "frames 4800,", "out.wav"},
        {"/dev/stdout to a regular file", "--input x.wav --output /dev/stdout", with("out.wav"), 0,
         "frames 4800,", "out.wav"},
        {"write-protected output", noise + "--output locked.wav", plainUser, 1,
         "cannot write locked.wav: Permission denied", nullptr},
        {"through a dangling symbolic link", "--input x.wav --output dangling.wav", here, 0, "",
         "new.wav"},
        {"input cut short", "--input cut.wav --output y.wav", here, 0,
         "brindlewave-render: cut.wav: cut short: its data chunk declares 4800 frames, the file "
         "holds 619\n",
         "y.wav", &headRendered},
        // -1: ended by the signal.
        {"killed while it renders", "--signal noise:-10 --seconds 60 --output y.wav", killed, -1,
         "", nullptr},
    };
    for (const Case& c : cases) {
        if (c.around.killOnceOpen && !unnamedFiles) continue;
        SCOPED_TRACE(testing::Message() << c.what << ": " << c.arguments);
        const Outcome r = runRenderer(c.arguments, c.around);
        EXPECT_EQ(r.status, c.status) << r.stderrText;
        if (c.status == 0) {
            EXPECT_EQ(r.stderrText.rfind(c.message, 0), 0u) << r.stderrText;
            if (!*c.message) {
                EXPECT_EQ(r.stderrText, "");
            }
        } else if (c.status > 0) {
            EXPECT_EQ(r.stderrText.rfind("brindlewave-render: ", 0), 0u) << r.stderrText;
            EXPECT_NE(r.stderrText.find(c.message), std::string::npos) << r.stderrText;
            EXPECT_EQ(std::count(r.stderrText.begin(), r.stderrText.end(), '\n'), 1);
        }
        const std::string result = c.result ? c.result : "";
        for (const auto& [name, bytes] : before)
            if (name != result) {
                EXPECT_TRUE(readFile(dir + "/" + name) == bytes) << name << " changed";
            }
        std::set<std::string> expected = fixture;
        for (const std::string& made : {result, c.around.standardOutput})
            if (!made.empty()) expected.insert(made);
        EXPECT_EQ(namesIn(dir), expected);
        if (!result.empty()) {
            EXPECT_TRUE(readFile(dir + "/" + result) == (c.render ? *c.render : rendered))
                << result << " is not the render";
            // What a plain creation gives, or what the file had.
            struct stat st {};
            ASSERT_EQ(::stat((dir + "/" + result).c_str(), &st), 0);
            if (c.around.standardOutput.empty()) {
                EXPECT_EQ(st.st_mode & 0777, fixture.count(result) ? 0640 : (0666 & ~mask));
            }
        } else if (!c.around.standardOutput.empty() && c.around.standardOutput != "x.wav") {
            EXPECT_EQ(readFile(dir + "/" + c.around.standardOutput).size(), 0u);
        }
        // Back to the fixture for the next case.
        for (const std::string& made : namesIn(dir))
            if (!fixture.count(made)) std::remove((dir + "/" + made).c_str());
        writeFile(dir + "/old.wav", old);
    }
    for (const std::string& name : fixture) std::remove((dir + "/" + name).c_str());
    ::rmdir(dir.c_str());
}

}  // namespace
}  // namespace brindlewave::render
