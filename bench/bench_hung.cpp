// vantrel_bench_hung.exe: what one program that has stopped taking messages costs everyone else.
// Run through bench/run_hung.sh, which prepares Wine and the display.
//
//   vantrel_bench_hung.exe [--quick]
//
// With 200 windows of ten fixture processes open, the real program (without its relay, so that
// only the shell-hook message reports a window) is told of a new window of a working program;
// the time runs from the fixture's create command to IsZoomed on that window, which its rule
// maximizes. Once without, once with a hung window among the 200 whose rule maximizes it and
// keeps it on top, so that every rebuild acts on it again.
// A second figure is the cost of a command that must ask a window first (a transparency level):
// from posting it to the moment the next posted command has been carried out, on a working and
// on a hung window, and on one whose thread stopped only just now.
//
// Results go to stdout as Markdown table rows.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/messages.h"
#include "support/fixture_client.h"
#include "support/wait.h"
#include "bench_support.h"

namespace {

using namespace bench;

// The time at which the condition held, or a negative value after the timeout.
double TimeWhen(const std::function<bool()>& condition, DWORD timeoutMs) {
    double when = -1;
    return PollUntil(condition, timeoutMs, 1, &when) ? when : -1;
}

constexpr int kFixtures = 10;
constexpr int kWindows = 200;
constexpr char kBackgroundClass[] = "VtHungBenchWindow";
constexpr char kProbeClass[] = "VtHungBenchProbe";
constexpr char kHungClass[] = "VtHungBenchHung";
constexpr char kMarkerClass[] = "VtHungBenchMarker";

bool Topmost(HWND w) {
    return (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

vt::WindowSpec Spec(const std::string& cls, const std::string& caption, int count = 1) {
    vt::WindowSpec spec;
    spec.className = cls;
    spec.caption = caption;
    spec.count = count;
    spec.w = 240;
    spec.h = 160;
    return spec;
}

std::string RuleSection(int k, const std::string& cls, int action, int zOrder) {
    return "[Window" + std::to_string(k) + "]\r\nClassName=" + cls +
           "\r\nAction=" + std::to_string(action) + "\r\nZOrder=" + std::to_string(zOrder) +
           "\r\nWindowCaption=\r\nAutoRefresh=-\r\nTimeInterval=-1\r\n";
}

struct Search {
    DWORD pid;
    const char* cls;
    HWND found;
};

BOOL CALLBACK FindOfProcess(HWND w, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[256] = {};
    GetClassNameA(w, cls, sizeof(cls));
    if (pid == s->pid && std::string(cls) == s->cls) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

// The real program from a folder of its own, without its relay beside it.
class Program {
public:
    Program() {
        const std::string exe = folder_.path() + "Vantrel.exe";
        if (!CopyFileA((vt::TestBinFolder() + "Vantrel.exe").c_str(), exe.c_str(), FALSE)) {
            throw std::runtime_error("cannot copy Vantrel.exe");
        }
        WriteText(folder_.path() + "rules.dat",
                  "[Options]\r\nWindowCount=3\r\n" + RuleSection(1, kProbeClass, 1, 0) +
                      RuleSection(2, kHungClass, 1, 1) + RuleSection(3, kMarkerClass, 0, 0));
        pid_ = child_.Start("\"" + exe + "\"", folder_.path().c_str());
        if (pid_ == 0) {
            throw std::runtime_error("cannot start Vantrel.exe");
        }
        if (TimeWhen(
                [&] {
                    return (main_ = Find("Vantrel Made by Ostrim Software")) &&
                           (taskbar_ = Find("VantrelApplication"));
                },
                120000) < 0) {
            throw std::runtime_error("Vantrel.exe shows no window");
        }
        shellHook_ = RegisterWindowMessageA("SHELLHOOK");
    }
    ~Program() {
        PostMessageA(main_, WM_COMMAND, 1000, 0); // Exit; the child ends it when it does not
        WaitForSingleObject(child_.get(), 10000);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    void ShellHook(WPARAM code, HWND window) const {
        PostMessageA(taskbar_, shellHook_, code, reinterpret_cast<LPARAM>(window));
    }
    void Command(HWND window, int id) const {
        PostMessageA(main_, vantrel::WM_SYSMENUCOMMAND, reinterpret_cast<WPARAM>(window), id);
    }
    // Every message posted before has been handled once the marker has turned over.
    double Barrier(HWND marker) const {
        const bool wasTop = Topmost(marker);
        Command(marker, wasTop ? 22 : 21);
        return TimeWhen([&] { return Topmost(marker) != wasTop; }, 60000);
    }

private:
    HWND Find(const char* cls) const {
        Search s{pid_, cls, nullptr};
        EnumWindows(FindOfProcess, reinterpret_cast<LPARAM>(&s));
        return s.found;
    }
    vt::TempDir folder_;
    Child child_; // after the folder, so that the program has ended before its folder goes
    DWORD pid_ = 0;
    HWND main_ = nullptr;
    HWND taskbar_ = nullptr;
    UINT shellHook_ = 0;
};

void Row(const std::string& what, const std::string& variant, const std::vector<double>& v,
         int missed) {
    std::printf("| %s | %s | %zu | %.1f | %.1f | %.1f | %d |\n", what.c_str(), variant.c_str(),
                v.size(), Percentile(v, 50), Percentile(v, 95),
                v.empty() ? NAN : *std::max_element(v.begin(), v.end()), missed);
    std::fflush(stdout);
}

void Run(bool withHung, int samples) {
    std::vector<std::unique_ptr<vt::Fixture>> fixtures;
    for (int i = 0; i < kFixtures; ++i) {
        fixtures.push_back(std::make_unique<vt::Fixture>(120000));
    }
    const HWND marker = fixtures[0]->CreateOne(Spec(kMarkerClass, "Marker"));
    HWND hung = nullptr;
    int background = kWindows - 1; // the marker is one of the 200
    if (withHung) {
        hung = fixtures[1]->CreateHung(kHungClass, "Hung program").front();
        --background;
    }
    for (int i = 0; i < kFixtures; ++i) {
        const int n = background / kFixtures + (i < background % kFixtures ? 1 : 0);
        if (n > 0) {
            fixtures[static_cast<size_t>(i)]->Create(Spec(kBackgroundClass, "Background", n));
        }
    }
    const std::string variant = withHung ? "199 + 1 hung" : "200, none hung";
    Program program;
    program.Barrier(marker);

    std::vector<double> rule;
    int missed = 0;
    for (int i = 0; i < samples + 2; ++i) {
        vt::Fixture& fixture = *fixtures[static_cast<size_t>(i % kFixtures)];
        const double t0 = NowMs();
        const HWND probe = fixture.CreateOne(Spec(kProbeClass, "Probe"));
        program.ShellHook(HSHELL_WINDOWCREATED, probe);
        const double t1 = TimeWhen([&] { return IsZoomed(probe) != FALSE; }, 20000);
        if (i >= 2) { // the first two warm the caches
            if (t1 < 0) {
                ++missed;
            } else {
                rule.push_back(t1 - t0);
            }
        }
        fixture.Destroy(probe);
        program.ShellHook(HSHELL_WINDOWDESTROYED, probe);
        program.Barrier(marker);
    }
    Row("new window -> rule (rebuild)", variant, rule, missed);

    // A command that asks its window first, then the next one behind it.
    const HWND target = withHung ? hung : fixtures[2]->CreateOne(Spec(kMarkerClass, "Target"));
    std::vector<double> asked;
    missed = 0;
    for (int i = 0; i < samples; ++i) {
        const double t0 = NowMs();
        program.Command(target, 32 + i % 11);
        const double t1 = program.Barrier(marker);
        if (t1 < 0) {
            ++missed;
        } else {
            asked.push_back(t1 - t0);
        }
    }
    Row("transparency command + next command",
        withHung ? "on the hung window" : "on a working window", asked, missed);
    if (withHung) {
        // A thread that stopped less than 5 s ago does not count as hung yet: the question waits
        // for its whole timeout.
        std::vector<double> fresh;
        missed = 0;
        for (int i = 0; i < std::max(3, samples / 5); ++i) {
            const HWND just = fixtures[3]->CreateHung(kHungClass, "Just hung").front();
            const double t0 = NowMs();
            program.Command(just, 37);
            const double t1 = program.Barrier(marker);
            if (t1 < 0) {
                ++missed;
            } else {
                fresh.push_back(t1 - t0);
            }
        }
        Row("transparency command + next command", "on a window hung < 5 s", fresh, missed);
        fixtures[1]->Wake();
        fixtures[3]->Wake();
    }
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
    const int samples = quick ? 10 : 30;
    std::printf("| figure | windows | samples | p50 ms | p95 ms | max ms | missed |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    try {
        Run(false, samples);
        Run(true, samples);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "benchmark failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
