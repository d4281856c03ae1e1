// What an open editor costs the X display: each module's editor is opened in a host process of
// its own, through the project's test hosts, with noise playing at 48 kHz or with no audio;
// over the measured seconds the host's writes (its socket to the X server; /proc/PID/io
// wchar), the host's CPU and the X server's CPU (/proc/PID/stat) are read. A third-party
// multiband compressor's editor, run the same way in the same run, is the yardstick: the ratio
// of the host-plus-server CPU with noise playing is printed at the end.
//
//   editor_traffic_bench [--seconds S] [--settle S] [--vst3 BUNDLE] [--vst2 MODULE]
//                        [--peer MODULE] [--no-shm]
//
// It uses $DISPLAY (the test script's virtual display) and does nothing without one. The X
// server is found from the connection itself, so its CPU is read only for a server on this
// machine. --no-shm has the hosts' windows send their pixels through the connection.

#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host_instance.h"
#include "host_module.h"
#include "rigging/vst3/iplugview.h"
#include "vst2host.h"
#include "x11parent.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBlock = 512;
constexpr double kRate = 48000.0;

enum class Kind { vst3, vst2 };

struct Case {
    std::string name;
    Kind kind;
    std::string path;
    bool playing;
};

struct Sample {
    double wcharBytes = 0, hostCpu = 0, serverCpu = 0;
};

// CPU time of a process, in seconds: the scheduler's run time of each of its threads (exact to
// the nanosecond), or utime + stime (clock ticks) where that is not to be had. Negative when it
// cannot be read.
double cpuSeconds(pid_t pid) {
    const std::string dir = "/proc/" + std::to_string(pid);
    std::error_code error;
    double total = 0;
    bool any = false;
    for (const auto& task : std::filesystem::directory_iterator(dir + "/task", error)) {
        std::ifstream in(task.path() / "schedstat");
        double ns = 0;
        if (in >> ns) total += ns * 1e-9, any = true;
    }
    if (any) return total;
    std::ifstream in(dir + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double utime = 0, stime = 0;
    // Fields after the name start with the state (field 3); utime and stime are 14 and 15.
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::atof(field.c_str());
        if (i == 15) stime = std::atof(field.c_str());
    }
    return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double writtenBytes(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/io");
    std::string key;
    double value = 0;
    while (in >> key >> value)
        if (key == "wchar:") return value;
    return -1;
}

// The process at the other end of our own connection to $DISPLAY, 0 when not on this machine.
pid_t serverPid() {
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) return -1;
    ucred peer{};
    socklen_t length = sizeof peer;
    pid_t pid = 0;
    if (getsockopt(ConnectionNumber(d), SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0)
        pid = peer.pid;
    XCloseDisplay(d);
    return pid;
}

// Noise with a slow swell, so that the spectrum and the meters move as with a programme.
class Noise {
public:
    void fill(float* l, float* r, int n) {
        for (int i = 0; i < n; ++i, ++t_) {
            const float swell = 0.35f + 0.25f * std::sin(static_cast<float>(t_) * 2.0e-5f);
            lp_ = 0.7f * lp_ + 0.3f * dist_(rng_);
            l[i] = swell * (0.6f * lp_ + 0.4f * dist_(rng_));
            r[i] = swell * (0.6f * lp_ + 0.4f * dist_(rng_));
        }
    }

private:
    std::mt19937 rng_{5};
    std::normal_distribution<float> dist_{0.0f, 0.5f};
    float lp_ = 0;
    long long t_ = 0;
};

// Calls `block` once per 512 frames of 48 kHz time until `stop`.
template <typename F>
void playInRealTime(std::atomic<bool>& stop, F&& block) {
    const auto period = std::chrono::nanoseconds(static_cast<long long>(1e9 * kBlock / kRate));
    auto next = Clock::now();
    while (!stop.load()) {
        block();
        next += period;
        std::this_thread::sleep_until(next);
    }
}

// The host process: opens the editor, plays (or not), tells the parent it has settled on
// `ready`, and runs until `quit` says so. Returns the exit status.
int runHost(const Case& c, double settleSeconds, int ready, int quit) {
    testhost::X11Parent parent;
    if (!parent.ok()) return 2;
    parent.movePointer(1250, 1000);  // away from the editor
    std::atomic<bool> stop{false};
    std::vector<float> l(kBlock), r(kBlock), ol(kBlock), orr(kBlock);
    Noise noise;
    std::thread audio;
    std::function<void()> idle = [] {};
    std::function<void()> close;

    // Both kinds are kept alive to the end of the function.
    vst2host::Module module2(c.kind == Kind::vst2 ? c.path : std::string());
    vst2host::Host host2;
    vst3host::HostModule module3;
    vst3host::HostApplication app;
    vst3host::RecordingComponentHandler handler;
    vst3host::PluginInstance plugin;
    vst3host::IPluginFactory* factory = nullptr;
    rigging::vst3::IPlugView* view = nullptr;

    if (c.kind == Kind::vst2) {
        if (!module2.loaded() || !module2.entry()) return 3;
        rigging::vst::AEffect* e = host2.open(module2.entry());
        if (e == nullptr) return 3;
        host2.start(static_cast<float>(kRate), kBlock);
        host2.setSpeakers(2, 2);
        if (host2.dispatch(rigging::vst::effEditOpen, 0, 0, parent.handle()) != 1) return 4;
        // Hosts give an editor idle calls from their interface thread, about 60 a second.
        idle = [&] { host2.dispatch(rigging::vst::effEditIdle); };
        close = [&] { host2.dispatch(rigging::vst::effEditClose); };
        if (c.playing) {
            audio = std::thread([&] {
                std::vector<float> extra(kBlock, 0.0f);
                std::vector<float*> in(std::max(2, e->numInputs), extra.data());
                std::vector<float*> out(std::max(2, e->numOutputs), extra.data());
                playInRealTime(stop, [&] {
                    noise.fill(l.data(), r.data(), kBlock);
                    in[0] = l.data(), in[1] = r.data(), out[0] = ol.data(), out[1] = orr.data();
                    host2.processReplacing(in.data(), out.data(), kBlock);
                });
            });
        }
    } else {
        if (!module3.load(c.path)) return 3;
        factory = module3.getFactory();
        vst3host::PClassInfo info{};
        if (factory == nullptr || vst3host::findClass(factory, "Audio Module Class", &info) < 0)
            return 3;
        if (!plugin.create(factory, info.cid) || !plugin.initialize(&app, &handler)) return 3;
        plugin.setArrangement(2, 2);
        plugin.setup(kRate, kBlock);
        plugin.start();
        view = plugin.controller->createView("editor");
        if (view == nullptr || view->attached(parent.handle(), "X11EmbedWindowID") != 0) return 4;
        close = [&] { view->removed(); };
        if (c.playing) {
            audio = std::thread([&] {
                playInRealTime(stop, [&] {
                    noise.fill(l.data(), r.data(), kBlock);
                    plugin.process({l.data(), r.data()}, {ol.data(), orr.data()}, kBlock);
                });
            });
        }
    }

    const auto settled = Clock::now() + std::chrono::duration<double>(settleSeconds);
    bool told = false;
    for (;;) {
        idle();
        if (!told && Clock::now() >= settled) {
            told = write(ready, "r", 1) == 1;
        }
        pollfd p{quit, POLLIN, 0};
        if (poll(&p, 1, 16) > 0) break;
    }
    stop.store(true);
    if (audio.joinable()) audio.join();
    close();
    if (view) view->release();
    if (c.kind == Kind::vst3) {
        plugin.stop();
        plugin.teardown();
        if (factory) factory->release();
    } else {
        host2.close();
    }
    return 0;
}

bool measure(const Case& c, double settle, double seconds, pid_t server, Sample& out) {
    int ready[2], quit[2];
    if (pipe(ready) != 0 || pipe(quit) != 0) return false;
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        ::close(ready[0]);
        ::close(quit[1]);
        _exit(runHost(c, settle, ready[1], quit[0]));
    }
    ::close(ready[1]);
    ::close(quit[0]);
    char byte = 0;
    const bool settled = read(ready[0], &byte, 1) == 1;
    Sample a{writtenBytes(child), cpuSeconds(child), server > 0 ? cpuSeconds(server) : 0};
    if (settled) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    Sample b{writtenBytes(child), cpuSeconds(child), server > 0 ? cpuSeconds(server) : 0};
    if (write(quit[1], "q", 1) != 1) kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(quit[1]);
    if (!settled) {
        std::printf("%-28s the host could not open the editor (status %d)\n", c.name.c_str(),
                    WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        return false;
    }
    out.wcharBytes = (b.wcharBytes - a.wcharBytes) / seconds;
    out.hostCpu = (b.hostCpu - a.hostCpu) / seconds;
    out.serverCpu = server > 0 ? (b.serverCpu - a.serverCpu) / seconds : -1;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 4.0, settle = 2.0;
    std::string vst3 = BRINDLEWAVE_VST3_BUNDLE, vst2 = BRINDLEWAVE_VST2_MODULE;
    std::string peer = "/usr/lib/vst/lsp-plugins/mb-compressor-stereo.so";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--seconds" && more)
            seconds = std::atof(argv[++i]);
        else if (a == "--settle" && more)
            settle = std::atof(argv[++i]);
        else if (a == "--vst3" && more)
            vst3 = argv[++i];
        else if (a == "--vst2" && more)
            vst2 = argv[++i];
        else if (a == "--peer" && more)
            peer = argv[++i];
        else if (a == "--no-shm")
            setenv("RIGGING_X11_NO_SHM", "1", 1);
        else {
            std::fprintf(stderr,
                         "usage: %s [--seconds S] [--settle S] [--vst3 BUNDLE] "
                         "[--vst2 MODULE] [--peer MODULE] [--no-shm]\n",
                         argv[0]);
            return 2;
        }
    }
    const pid_t server = serverPid();
    if (server < 0) {
        std::printf("No X display can be opened; nothing measured.\n");
        return 0;
    }
    if (server == 0) std::printf("The X server is not on this machine: its CPU is not read.\n");

    std::vector<Case> cases;
    for (bool playing : {true, false}) {
        const char* state = playing ? "playing" : "idle";
        if (std::filesystem::exists(vst3))
            cases.push_back({std::string("brindlewave vst3 ") + state, Kind::vst3, vst3, playing});
        if (std::filesystem::exists(vst2))
            cases.push_back({std::string("brindlewave vst2 ") + state, Kind::vst2, vst2, playing});
        if (std::filesystem::exists(peer))
            cases.push_back({std::string("third-party vst2 ") + state, Kind::vst2, peer, playing});
    }
    std::printf("Editor open for %.1f s after %.1f s to settle; X server pid %d\n", seconds, settle,
                static_cast<int>(server));
    std::printf("%-28s %12s %10s %12s %14s\n", "", "written MB/s", "host CPU", "server CPU",
                "host+server");
    double peerCost = -1;
    std::vector<std::pair<std::string, double>> ours;
    for (const Case& c : cases) {
        Sample s;
        if (!measure(c, settle, seconds, server, s)) continue;
        const double both = s.hostCpu + std::max(0.0, s.serverCpu);
        std::printf("%-28s %12.3f %9.1f%% %11.1f%% %13.1f%%\n", c.name.c_str(), s.wcharBytes / 1e6,
                    100 * s.hostCpu, 100 * s.serverCpu, 100 * both);
        if (c.playing && c.path == peer)
            peerCost = both;
        else if (c.playing)
            ours.push_back({c.name, both});
    }
    for (const auto& [name, cost] : ours)
        if (peerCost > 0)
            std::printf("%s / third-party, host+server CPU: %.2fx\n", name.c_str(),
                        cost / peerCost);
    return 0;
}
