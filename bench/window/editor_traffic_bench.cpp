// What an open editor costs the X display: each module's editor is opened in a host process of
// its own, through the project's test hosts, in three states: the host calling process in real
// time with silence (what hosts do with the transport stopped), no process calls at all, and
// noise playing at 48 kHz. The host's interface thread gives the editor its idle calls at a set
// rate: effEditIdle for a VST 2.4 editor, a pass of the timers and descriptor handlers the
// editor registered with the frame's run loop for a VST3 one (ours runs its own threads and
// registers none). Over the measured seconds the host's writes (its socket to the X server;
// /proc/PID/io wchar), the host's CPU and the X server's CPU (/proc/PID/stat) are read. Two
// third-party multiband compressors' editors, a VST 2.4 one and a VST3 one, run the same way in
// the same run, are the yardsticks: the end of the report sets our figures beside the targets
// they are stated against.
//
//   editor_traffic_bench [--seconds S] [--settle S] [--rates 20,60]
//                        [--states silence,noaudio,noise] [--modules vst3,vst2,lsp,zam]
//                        [--repeat N] [--vst3 BUNDLE] [--vst2 MODULE] [--lsp MODULE]
//                        [--zam BUNDLE] [--no-shm]
//
// It uses $DISPLAY (the test script's virtual display) and does nothing without one. The X
// server is found from the connection itself, so its CPU is read only for a server on this
// machine. --no-shm has the hosts' windows send their pixels through the connection. With
// --repeat every case is measured N times (the whole sweep over again) and the medians are
// reported.

#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "host_editor.h"
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
enum class State { silence, noAudio, noise };
constexpr State kStates[] = {State::silence, State::noAudio, State::noise};

const char* stateName(State s) {
    return s == State::silence ? "silence" : s == State::noAudio ? "no audio" : "noise";
}

struct Module {
    std::string key;  // as --modules names it
    std::string label;
    Kind kind;
    std::string path;
};

struct Case {
    const Module* module;
    State state;
    int idleRate;  // idle calls a second
};

struct Sample {
    double wcharBytes = 0, hostCpu = 0, serverCpu = 0;
    double both() const { return hostCpu + std::max(0.0, serverCpu); }
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

// Fills the host's input for one block: noise, or silence.
void fillInput(State state, Noise& noise, float* l, float* r) {
    if (state == State::noise) {
        noise.fill(l, r, kBlock);
    } else {
        std::fill(l, l + kBlock, 0.0f);
        std::fill(r, r + kBlock, 0.0f);
    }
}

// What a VST3 editor asked of the run loop, for the report.
std::string runLoopUse(const vst3host::HostRunLoop& loop) {
    std::string out;
    for (auto ms : loop.timerIntervals())
        out += (out.empty() ? "timer " : ", timer ") + std::to_string(ms) + " ms";
    if (const int fds = loop.eventHandlers(); fds > 0)
        out +=
            (out.empty() ? "" : ", ") + std::to_string(fds) + " fd handler" + (fds > 1 ? "s" : "");
    return out.empty() ? "no run-loop use" : out;
}

// The host process: opens the editor, plays silence or noise (or does not process), gives the
// editor its idle calls at the case's rate, tells the parent it has settled on `ready` (with a
// note on what the editor registered), and runs until `quit` says so. Returns the exit status.
int runHost(const Case& c, double settleSeconds, int ready, int quit) {
    const Module& m = *c.module;
    testhost::X11Parent parent;
    if (!parent.ok()) return 2;
    parent.movePointer(1250, 1000);  // away from the editor
    std::atomic<bool> stop{false};
    std::vector<float> l(kBlock), r(kBlock), ol(kBlock), orr(kBlock);
    Noise noise;
    std::thread audio;
    std::function<void()> idle = [] {};
    std::function<void()> close;
    std::function<std::string()> note = [] { return std::string(); };

    // Both kinds are kept alive to the end of the function.
    vst2host::Module module2(m.kind == Kind::vst2 ? m.path : std::string());
    vst2host::Host host2;
    vst3host::HostModule module3;
    vst3host::HostRunLoop runLoop;
    vst3host::HostPlugFrame frame(&runLoop);
    vst3host::EditorHostApplication app(&runLoop);
    vst3host::RecordingComponentHandler handler;
    vst3host::PluginInstance plugin;
    vst3host::IPluginFactory* factory = nullptr;
    rigging::vst3::IPlugView* view = nullptr;

    if (m.kind == Kind::vst2) {
        if (!module2.loaded() || !module2.entry()) return 3;
        rigging::vst::AEffect* e = host2.open(module2.entry());
        if (e == nullptr) return 3;
        host2.start(static_cast<float>(kRate), kBlock);
        host2.setSpeakers(2, 2);
        if (host2.dispatch(rigging::vst::effEditOpen, 0, 0, parent.handle()) != 1) return 4;
        idle = [&] { host2.dispatch(rigging::vst::effEditIdle); };
        close = [&] { host2.dispatch(rigging::vst::effEditClose); };
        if (c.state != State::noAudio) {
            audio = std::thread([&] {
                std::vector<float> extra(kBlock, 0.0f);
                std::vector<float*> in(std::max(2, e->numInputs), extra.data());
                std::vector<float*> out(std::max(2, e->numOutputs), extra.data());
                playInRealTime(stop, [&] {
                    fillInput(c.state, noise, l.data(), r.data());
                    in[0] = l.data(), in[1] = r.data(), out[0] = ol.data(), out[1] = orr.data();
                    host2.processReplacing(in.data(), out.data(), kBlock);
                });
            });
        }
    } else {
        if (!module3.load(m.path)) return 3;
        factory = module3.getFactory();
        vst3host::PClassInfo info{};
        if (factory == nullptr || vst3host::findClass(factory, "Audio Module Class", &info) < 0)
            return 3;
        // The run loop is offered through the factory's host context too, where a plug-in
        // may look for it before any view exists.
        void* f3 = nullptr;
        if (factory->queryInterface(vst3host::IPluginFactory3::iid, &f3) == vst3host::kResultOk) {
            static_cast<vst3host::IPluginFactory3*>(f3)->setHostContext(&app);
            static_cast<vst3host::IPluginFactory3*>(f3)->release();
        }
        if (!plugin.create(factory, info.cid) || !plugin.initialize(&app, &handler)) return 3;
        plugin.connect();
        plugin.setArrangement(2, 2);
        plugin.setup(kRate, kBlock);
        plugin.start();
        view = plugin.controller->createView("editor");
        if (view == nullptr) return 4;
        view->setFrame(&frame);
        if (view->attached(parent.handle(), "X11EmbedWindowID") != 0) return 4;
        plugin.keepOutputChanges = true;
        long forwarded = 0;
        idle = [&] {
            forwarded += plugin.forwardOutputChanges();
            runLoop.run();
        };
        close = [&] { view->removed(); };
        note = [&] {
            return runLoopUse(runLoop) +
                   (forwarded > 0 ? "; " + std::to_string(forwarded) + " output changes" : "");
        };
        if (c.state != State::noAudio) {
            audio = std::thread([&] {
                playInRealTime(stop, [&] {
                    fillInput(c.state, noise, l.data(), r.data());
                    plugin.process({l.data(), r.data()}, {ol.data(), orr.data()}, kBlock);
                });
            });
        }
    }

    const auto period = std::chrono::nanoseconds(static_cast<long long>(1e9 / c.idleRate));
    const auto settled = Clock::now() + std::chrono::duration<double>(settleSeconds);
    auto next = Clock::now();
    bool told = false;
    for (;;) {
        idle();
        if (!told && Clock::now() >= settled) {
            const std::string message = "r" + note();
            told = write(ready, message.data(), message.size()) ==
                   static_cast<ssize_t>(message.size());
        }
        next += period;
        const auto now = Clock::now();
        if (next < now) next = now;  // an idle call that overran: no catch-up burst
        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(next - now);
        const timespec timeout{static_cast<time_t>(wait.count() / 1000000000),
                               static_cast<long>(wait.count() % 1000000000)};
        pollfd p{quit, POLLIN, 0};
        if (ppoll(&p, 1, &timeout, nullptr) > 0) break;
    }
    stop.store(true);
    if (audio.joinable()) audio.join();
    close();
    if (view) {
        view->setFrame(nullptr);
        view->release();
    }
    if (m.kind == Kind::vst3) {
        // What the editor left registered goes before its module does.
        runLoop.clear();
        plugin.stop();
        plugin.teardown();
        if (factory) factory->release();
    } else {
        host2.close();
    }
    return 0;
}

bool measure(const Case& c, double settle, double seconds, pid_t server, Sample& out,
             std::string& note) {
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
    char message[512];
    const ssize_t got = read(ready[0], message, sizeof message);
    const bool settled = got > 0 && message[0] == 'r';
    note = settled ? std::string(message + 1, message + got) : std::string();
    Sample a{writtenBytes(child), cpuSeconds(child), server > 0 ? cpuSeconds(server) : 0};
    if (settled) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    Sample b{writtenBytes(child), cpuSeconds(child), server > 0 ? cpuSeconds(server) : 0};
    if (write(quit[1], "q", 1) != 1) kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(quit[1]);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (!settled) {
        std::printf("%-18s %-9s %3d/s  the host could not open the editor (status %d)\n",
                    c.module->label.c_str(), stateName(c.state), c.idleRate, code);
        return false;
    }
    if (code != 0) note += (note.empty() ? "" : "; ") + std::string("host ended badly");
    out.wcharBytes = (b.wcharBytes - a.wcharBytes) / seconds;
    out.hostCpu = (b.hostCpu - a.hostCpu) / seconds;
    out.serverCpu = server > 0 ? (b.serverCpu - a.serverCpu) / seconds : -1;
    return true;
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, ',');)
        if (!item.empty()) out.push_back(item);
    return out;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? -1 : n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

void printRow(const Case& c, const Sample& s, const std::string& note) {
    std::printf("%-18s %-9s %3d/s %12.3f %9.1f%% %11.1f%% %12.1f%%  %s\n", c.module->label.c_str(),
                stateName(c.state), c.idleRate, s.wcharBytes / 1e6, 100 * s.hostCpu,
                100 * s.serverCpu, 100 * s.both(), note.c_str());
}

int usage(const char* name) {
    std::fprintf(stderr,
                 "usage: %s [--seconds S] [--settle S] [--rates 20,60]\n"
                 "          [--states silence,noaudio,noise] [--modules vst3,vst2,lsp,zam]\n"
                 "          [--repeat N] [--vst3 BUNDLE] [--vst2 MODULE] [--lsp MODULE]\n"
                 "          [--zam BUNDLE] [--no-shm]\n",
                 name);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 4.0, settle = 2.0;
    int repeat = 1;
    std::vector<Module> modules = {
        {"vst3", "brindlewave vst3", Kind::vst3, BRINDLEWAVE_VST3_BUNDLE},
        {"vst2", "brindlewave vst2", Kind::vst2, BRINDLEWAVE_VST2_MODULE},
        {"lsp", "lsp vst2", Kind::vst2, "/usr/lib/vst/lsp-plugins/mb-compressor-stereo.so"},
        {"zam", "zam vst3", Kind::vst3, "/usr/lib/vst3/ZaMultiCompX2.vst3"},
    };
    auto module = [&](const std::string& key) -> Module& {
        return *std::find_if(modules.begin(), modules.end(),
                             [&](const Module& m) { return m.key == key; });
    };
    std::vector<int> rates = {20, 60};
    std::vector<State> states(std::begin(kStates), std::end(kStates));
    std::vector<std::string> wanted = {"vst3", "vst2", "lsp", "zam"};
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--seconds" && more) {
            seconds = std::atof(argv[++i]);
        } else if (a == "--settle" && more) {
            settle = std::atof(argv[++i]);
        } else if (a == "--repeat" && more) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--vst3" && more) {
            module("vst3").path = argv[++i];
        } else if (a == "--vst2" && more) {
            module("vst2").path = argv[++i];
        } else if ((a == "--lsp" || a == "--peer") && more) {
            module("lsp").path = argv[++i];
        } else if (a == "--zam" && more) {
            module("zam").path = argv[++i];
        } else if (a == "--no-shm") {
            setenv("RIGGING_X11_NO_SHM", "1", 1);
        } else if (a == "--rates" && more) {
            rates.clear();
            for (const std::string& r : splitList(argv[++i]))
                if (std::atoi(r.c_str()) > 0) rates.push_back(std::atoi(r.c_str()));
            if (rates.empty()) return usage(argv[0]);
        } else if (a == "--states" && more) {
            states.clear();
            for (const std::string& s : splitList(argv[++i])) {
                if (s == "silence")
                    states.push_back(State::silence);
                else if (s == "noaudio" || s == "idle")
                    states.push_back(State::noAudio);
                else if (s == "noise" || s == "playing")
                    states.push_back(State::noise);
                else
                    return usage(argv[0]);
            }
        } else if (a == "--modules" && more) {
            wanted = splitList(argv[++i]);
            for (const std::string& w : wanted)
                if (std::none_of(modules.begin(), modules.end(),
                                 [&](const Module& m) { return m.key == w; }))
                    return usage(argv[0]);
        } else {
            return usage(argv[0]);
        }
    }
    const pid_t server = serverPid();
    if (server < 0) {
        std::printf("No X display can be opened; nothing measured.\n");
        return 0;
    }
    if (server == 0) std::printf("The X server is not on this machine: its CPU is not read.\n");

    std::vector<const Module*> present;
    for (const Module& m : modules) {
        if (std::find(wanted.begin(), wanted.end(), m.key) == wanted.end()) continue;
        const std::string file = m.kind == Kind::vst3 ? vst3host::bundleBinaryPath(m.path) : m.path;
        if (std::filesystem::exists(file))
            present.push_back(&m);
        else
            std::printf("%s not found at %s: left out\n", m.label.c_str(), m.path.c_str());
    }

    const auto began = Clock::now();
    std::printf("Editor open for %.1f s after %.1f s to settle; X server pid %d; %d run%s\n",
                seconds, settle, static_cast<int>(server), repeat, repeat > 1 ? "s" : "");
    std::printf("%-18s %-9s %5s %12s %10s %12s %13s\n", "", "state", "idle", "written MB/s",
                "host CPU", "server CPU", "host+server");
    // Each case's samples, by module, state and idle rate.
    std::map<std::tuple<std::string, State, int>, std::vector<Sample>> results;
    for (int run = 0; run < repeat; ++run) {
        for (int rate : rates) {
            for (State state : states) {
                for (const Module* m : present) {
                    const Case c{m, state, rate};
                    Sample s;
                    std::string note;
                    if (!measure(c, settle, seconds, server, s, note)) continue;
                    printRow(c, s, note);
                    results[{m->key, state, rate}].push_back(s);
                }
            }
        }
    }
    auto cost = [&](const std::string& key, State state, int rate) {
        auto found = results.find({key, state, rate});
        if (found == results.end()) return -1.0;
        std::vector<double> both;
        for (const Sample& s : found->second) both.push_back(s.both());
        return median(both);
    };
    if (repeat > 1) {
        std::printf("\nMedians of %d runs\n", repeat);
        for (int rate : rates)
            for (State state : states)
                for (const Module* m : present) {
                    auto found = results.find({m->key, state, rate});
                    if (found == results.end()) continue;
                    std::vector<double> w, h, x;
                    for (const Sample& s : found->second)
                        w.push_back(s.wcharBytes), h.push_back(s.hostCpu), x.push_back(s.serverCpu);
                    printRow({m, state, rate}, {median(w), median(h), median(x)}, "");
                }
    }

    // The targets, each beside the figure it is stated against (host+server, % of one core).
    std::printf("\n%-18s %5s %-26s %9s %9s  %s\n", "targets", "idle", "measure", "value", "target",
                "");
    auto line = [](const Module& m, int rate, const char* what, double value, double limit,
                   bool ratio) {
        const char* unit = ratio ? "x" : " %";
        char shown[32], wanted[32];
        if (value < 0)
            std::snprintf(shown, sizeof shown, "n/a");
        else
            std::snprintf(shown, sizeof shown, ratio ? "%.2f%s" : "%.1f%s",
                          ratio ? value : 100 * value, unit);
        std::snprintf(wanted, sizeof wanted, ratio ? "<= %.1f%s" : "<= %.1f%s",
                      ratio ? limit : 100 * limit, unit);
        std::printf("%-18s %3d/s %-26s %9s %9s  %s\n", m.label.c_str(), rate, what, shown, wanted,
                    value < 0        ? ""
                    : value <= limit ? "met"
                                     : "NOT MET");
    };
    auto ratio = [](double a, double b) { return a >= 0 && b > 0 ? a / b : -1.0; };
    for (const Module* m : present) {
        if (m->key != "vst3" && m->key != "vst2") continue;
        for (int rate : rates) {
            const double silence = cost(m->key, State::silence, rate);
            const double none = cost(m->key, State::noAudio, rate);
            const double playing = cost(m->key, State::noise, rate);
            if (silence >= 0) {
                line(*m, rate, "silence", silence, 0.015, false);
                line(*m, rate, "silence / zam silence",
                     ratio(silence, cost("zam", State::silence, rate)), 1.5, true);
            }
            if (none >= 0) line(*m, rate, "no audio", none, 0.01, false);
            if (playing >= 0) {
                line(*m, rate, "noise / zam noise", ratio(playing, cost("zam", State::noise, rate)),
                     0.5, true);
                line(*m, rate, "noise / lsp noise", ratio(playing, cost("lsp", State::noise, rate)),
                     0.5, true);
            }
        }
    }
    std::printf("\nWhole run: %.0f s\n",
                std::chrono::duration<double>(Clock::now() - began).count());
    return 0;
}
