// Measures what a trainee could notice and what would grow over days of practice:
// host start to its first painted window, launch latency from a level click to OnStart, one grid
// refresh per level at 1920 x 1080, one judged click, and memory and object counts over many
// launch-and-stop cycles. Prints a table and writes the same figures as JSON (argv[1]).
#include "grid/WSGraphicGrid.h"
#include "host/UnitMainForm.h"
#include <psapi.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Now() {
    static LARGE_INTEGER f = [] { LARGE_INTEGER x; QueryPerformanceFrequency(&x); return x; }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

struct Stats {
    double median = 0, p99 = 0, worst = 0;
    size_t n = 0;
};

Stats Summarise(std::vector<double> v) {
    Stats s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    s.n = v.size();
    s.median = v[v.size() / 2];
    s.p99 = v[std::min(v.size() - 1, v.size() * 99 / 100)];
    s.worst = v.back();
    return s;
}

void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

struct Counts {
    unsigned long long privateBytes = 0, workingSet = 0;
    unsigned long gdi = 0, user = 0;
};

Counts Measure() {
    Counts c;
    PROCESS_MEMORY_COUNTERS_EX pm{};
    pm.cb = sizeof(pm);
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pm), sizeof(pm))) {
        c.privateBytes = pm.PrivateUsage;
        c.workingSet = pm.WorkingSetSize;
    }
    c.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    c.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    return c;
}

std::string Json;
void Add(const char* key, double v) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s\"%s\": %.3f", Json.empty() ? "" : ",\n  ", key, v);
    Json += buf;
}

// The host started as a new process, until its window exists and its queue has gone idle after
// the first paint.
double HostStart(const std::wstring& exe) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + exe + L"\"";
    double t0 = Now();
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    WaitForInputIdle(pi.hProcess, 10000);
    HWND w = nullptr;
    for (int i = 0; i < 2000 && !(w = FindWindowW(nullptr, L"舒尔特表")); ++i) Sleep(1);
    double t = Now() - t0;
    if (w) PostMessageW(w, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return w ? t : -1;
}

// The grid: the largest window without children inside the hosting panel.
BOOL CALLBACK FindGrid(HWND h, LPARAM p) {
    RECT r;
    GetClientRect(h, &r);
    if (r.right > 100 && GetWindow(h, GW_CHILD) == nullptr && IsWindowVisible(h)) *reinterpret_cast<HWND*>(p) = h;
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    ui::TApplication& app = ui::Application();
    app.Initialize();
    std::wstring dir = app.ExeDir();
    std::printf("%-52s %10s %10s %10s\n", "figure", "median", "p99", "worst");

    // Host start.
    {
        std::vector<double> v;
        for (int i = 0; i < 5; ++i) v.push_back(HostStart(dir + L"Marvane.exe"));
        Stats s = Summarise(v);
        std::printf("%-52s %8.1fms %8.1fms %8.1fms\n", "host start to first painted window (5 starts)", s.median, s.p99, s.worst);
        Add("host_start_ms_median", s.median);
        Add("host_start_ms_worst", s.worst);
    }

    // One refresh per level at 1920 x 1080: clear, fill, placement paint, block copy.
    {
        ui::TForm form;
        form.SetBorderStyle(ui::TBorderStyle::bsNone);
        form.SetBounds(0, 0, 1920, 1080);
        auto* grid = new TDGridImage(&form);
        grid->SetParent(&form);
        grid->SetAlign(ui::TAlign::alClient);
        grid->SetBevelOuter(ui::TBevelCut::bvNone);
        grid->SetColor(ui::clBlack);
        grid->SetDrawType(TDrawType::dtNumber);
        grid->SetTextAlign(TTextAlign::taCenter);
        grid->Font().SetColor(ui::clYellow);
        grid->Font().SetStyle(ui::fsBold);
        grid->SetIntervals(0);
        grid->SetRunTime(1000000);
        form.Show();
        Pump();
        for (int n = 3; n <= 10; ++n) {
            grid->SetRowCount(n);
            grid->SetColCount(n);
            grid->Numbers().Clear();
            for (int k = 1; k <= n * n; ++k) grid->Numbers().Add(std::to_wstring(k));
            grid->Font().SetSize(n <= 3 ? 60 : n == 4 ? 44 : 20);
            std::vector<double> v;
            for (int i = 0; i < 60; ++i) {
                double t0 = Now();
                grid->StartRun();  // rebuilds the pool and shows the first refresh at once
                v.push_back(Now() - t0);
                grid->StopRun();
                Pump();
            }
            Stats s = Summarise(v);
            char name[64];
            std::snprintf(name, sizeof name, "refresh %dx%d at 1920x1080", n, n);
            std::printf("%-52s %8.2fms %8.2fms %8.2fms\n", name, s.median, s.p99, s.worst);
            char key[64];
            std::snprintf(key, sizeof key, "refresh_%dx%d_ms_median", n, n);
            Add(key, s.median);
            std::snprintf(key, sizeof key, "refresh_%dx%d_ms_worst", n, n);
            Add(key, s.worst);
        }
    }

    // Launches through the real host window and servers.
    {
        auto form = std::make_unique<host::TMainForm>();
        form->Show();
        Pump();
        auto cycle = [&](std::vector<double>* latencies) {
            double t0 = Now();
            form->dxfColorButton1Click(form->dxfColorButtons[7]);  // "10 * 10": launch and OnStart
            if (latencies) latencies->push_back(Now() - t0);
            if (!form->Module()) throw Exception(L"no module was launched");
            Pump();
            form->N5->Click();
            Pump();
        };
        try {
            cycle(nullptr);
            std::vector<double> v;
            for (int i = 0; i < 200; ++i) cycle(&v);
            Stats s = Summarise(v);
            std::printf("%-52s %8.2fms %8.2fms %8.2fms\n", "launch: level click to OnStart (200)", s.median, s.p99, s.worst);
            Add("launch_ms_median", s.median);
            Add("launch_ms_p99", s.p99);
            Add("launch_ms_worst", s.worst);

            // A judged click on the running 10 x 10 exercise: a mouse-down on a cell of the grid.
            form->dxfColorButton1Click(form->dxfColorButtons[7]);
            Pump();
            HWND grid = nullptr;
            EnumChildWindows(form->RzPanel1->Handle(), FindGrid, reinterpret_cast<LPARAM>(&grid));
            if (grid) {
                RECT r;
                GetClientRect(grid, &r);
                std::vector<double> clicks;
                for (int i = 0; i < 300; ++i) {
                    int x = (i * 37) % (r.right - 1), y = (i * 53) % (r.bottom - 1);
                    double t0 = Now();
                    SendMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
                    clicks.push_back(Now() - t0);
                    SendMessageW(grid, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
                }
                Stats c = Summarise(clicks);
                std::printf("%-52s %8.3fms %8.3fms %8.3fms\n", "judged click (mouse-down to judgement, 300)", c.median, c.p99, c.worst);
                Add("click_ms_median", c.median);
                Add("click_ms_worst", c.worst);
            }
            Counts running = Measure();
            form->N5->Click();
            Pump();

            Counts before = Measure();
            for (int i = 0; i < 1000; ++i) cycle(nullptr);
            for (int i = 0; i < 20; ++i) { Pump(); Sleep(1); }
            Counts after = Measure();
            std::printf("%-52s %10llu %10llu\n", "private bytes before / after 1000 cycles", before.privateBytes, after.privateBytes);
            std::printf("%-52s %10llu %10llu\n", "working set before / after 1000 cycles", before.workingSet, after.workingSet);
            std::printf("%-52s %10lu %10lu\n", "GDI objects before / after", before.gdi, after.gdi);
            std::printf("%-52s %10lu %10lu\n", "USER objects before / after", before.user, after.user);
            std::printf("%-52s %10llu\n", "private bytes while a 10x10 exercise runs", running.privateBytes);
            Add("private_bytes_before", static_cast<double>(before.privateBytes));
            Add("private_bytes_after", static_cast<double>(after.privateBytes));
            Add("gdi_before", before.gdi);
            Add("gdi_after", after.gdi);
            Add("user_before", before.user);
            Add("user_after", after.user);
            Add("private_bytes_running_10x10", static_cast<double>(running.privateBytes));
        } catch (const Exception& e) {
            std::printf("launch figures not measured: %ls\n", e.Message().c_str());
        }
    }

    if (argc > 1) {
        if (FILE* f = std::fopen(argv[1], "w")) {
            std::fprintf(f, "{\n  %s\n}\n", Json.c_str());
            std::fclose(f);
        }
    }
    app.Finalize();
    return 0;
}
