// The editor's Encrypt and Decrypt of a 100 KB message with the real pgp.exe and engine, from the
// click to the replaced text, against the engine's own encrypt and decrypt of the same text; with
// where the time goes: the key dialog's listing job, the launch, the wait (console, cmd.exe,
// pgp.exe, engine), the pick-up and the clean-up, beside an empty job through the same console
// and pgp.exe started directly. Run by bench/roundtrip.sh; a measurement, not a test.
#include "editor/EditorApp.h"
#include "editor/TForm1.h"
#include "editor/TKey.h"
#include "support/ScriptedInteraction.h"
#include "win/RunWithInput.h"
#include "win/Application.h"
#include "win/TPubKey.h"
#include "win/Win32Platform.h"
#include "win/Win32Util.h"
#include <commctrl.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kUser = "Murkwell Demo <demo@murkwell.invalid>";
const char* const kPass = "murkwell demo";

LARGE_INTEGER g_frequency{};

LARGE_INTEGER now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

double ms(LARGE_INTEGER a, LARGE_INTEGER b) {
    return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(g_frequency.QuadPart);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The moments of one editor operation, taken where the editor meets the system.
struct Moments {
    LARGE_INTEGER click{}, dialogShown{}, launchStart{}, launchEnd{}, lockGone{}, pickUpStart{}, textShown{},
        done{};
};
Moments g_m;
HWND g_memo = nullptr;

class TimingPlatform : public mw::Win32Platform {
public:
    using Win32Platform::Win32Platform;
    std::string lockFile;
    mw::LaunchResult launch(const std::string& file, const std::string& parameters,
                            const std::string& directory, mw::ShowMode mode) override {
        // The operation's own batch file, shown; the key listing job runs hidden.
        const bool operation = mode != mw::ShowMode::Hidden && file.ends_with(".bat");
        if (operation) g_m.launchStart = now();
        mw::LaunchResult r = Win32Platform::launch(file, parameters, directory, mode);
        if (operation) g_m.launchEnd = now();
        return r;
    }
    bool fileExists(const std::string& path) override {
        const bool there = Win32Platform::fileExists(path);
        // The operation's wait ends at the test that finds its lock gone.
        if (!there && g_m.launchEnd.QuadPart && !g_m.lockGone.QuadPart &&
            lstrcmpiA(path.c_str(), lockFile.c_str()) == 0)
            g_m.lockGone = now();
        // After the lock, cmd.exe is let go of the batch file; then the output is looked for.
        else if (g_m.lockGone.QuadPart && !g_m.pickUpStart.QuadPart &&
                 (path.ends_with("murkwell.asc") || path.ends_with("murkwell.txt")))
            g_m.pickUpStart = now();
        return there;
    }
};

LRESULT CALLBACK afterCall(int code, WPARAM wParam, LPARAM lParam) {
    auto* m = reinterpret_cast<CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && m->hwnd == g_memo && m->message == WM_SETTEXT && g_m.lockGone.QuadPart) {
        UpdateWindow(g_memo);
        g_m.textShown = now();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Runs a program to its end with `input` on its standard input, its output discarded; the time in
// milliseconds, or -1 when it did not run or failed.
double timedRun(const std::string& commandLine, const std::string& directory, const std::string& input) {
    const LARGE_INTEGER start = now();
    const int code = mwtest::runWithInput(commandLine, input, directory.c_str());
    const LARGE_INTEGER end = now();
    return code == 0 ? ms(start, end) : -1;
}

// An empty job: a batch file that only deletes its lock, started shown as the editor starts its
// jobs, until cmd.exe has ended; what the console costs by itself.
double emptyJob(const std::string& pgpDir) {
    const std::string batch = pgpDir + "empty.bat", lock = pgpDir + "empty.lck";
    std::ofstream(lock) << "lock\r\n";
    std::ofstream(batch) << "DEL " << lock << "\r\n";
    SHELLEXECUTEINFOA info{sizeof info};
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "open";
    info.lpFile = batch.c_str();
    info.lpDirectory = pgpDir.c_str();
    info.nShow = SW_SHOWNORMAL;
    const LARGE_INTEGER start = now();
    if (!ShellExecuteExA(&info) || !info.hProcess) return -1;
    mw::UniqueHandle process(info.hProcess);
    WaitForSingleObject(process.get(), INFINITE);
    const LARGE_INTEGER end = now();
    const bool ran = GetFileAttributesA(lock.c_str()) == INVALID_FILE_ATTRIBUTES;
    DeleteFileA(batch.c_str());
    return ran ? ms(start, end) : -1;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Whether a process started from under `dir` still runs (the wipe tool, an agent).
bool anyRunsFrom(const std::string& dir) {
    mw::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        mw::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        if (!process) continue;
        char image[MAX_PATH * 4];
        DWORD size = sizeof image;
        if (QueryFullProcessImageNameA(process.get(), 0, image, &size) &&
            lstrcmpiA(std::string(image, size).substr(0, dir.size()).c_str(), dir.c_str()) == 0)
            return true;
    }
    return false;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: roundtrip WORKDIR [runs]\n");
        return 2;
    }
    QueryPerformanceFrequency(&g_frequency);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    std::string work = argv[1];
    if (work.back() != '\\') work += '\\';
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::string pgpDir = work + "pgp\\", bin = work + "bin\\";
    const std::string home = pgpDir.substr(0, pgpDir.size() - 1);
    {
        std::ofstream ini(work + "Murkwell.ini", std::ios::binary | std::ios::trunc);
        ini << bin << "pgp.exe\r\n"
            << pgpDir << "\r\n"
            << pgpDir << "pubring.pgp\r\n"
            << pgpDir << "secring.pgp\r\n0\r\n0\r\n900\r\n700\r\nright\r\nstore\r\nCourier New\r\n8\r\n0\r\n"
            << "-2147483643\r\n";
    }
    // About 100 KB of message: lines of 64 characters.
    std::string message;
    const std::string line = "The quick brown fox jumps over the lazy dog, again and again 0123";
    while (message.size() < 100u * 1024)
        message += line + "\r\n";

    auto& app = mw::Application::instance();
    TimingPlatform platform(app, work + "Murkwell.exe");
    platform.lockFile = pgpDir + "Murkwell.lck";
    mwtest::ScriptedInteraction interaction;
    app.readScreenDpi();
    app.setPlatform(&platform);
    app.setInteraction(&interaction);
    app.terminate = [] {};
    editor::EditorApp editorApp(app);
    auto& form = editorApp.form1();
    // The user picks the demo key once; "Keys To Use" keeps it for the later showings.
    app.modalHook = [](mw::Form& f) {
        g_m.dialogShown = now();
        if (auto* pub = dynamic_cast<mw::TPubKey*>(&f)) {
            if (SendMessageA(pub->listBox2(), LB_GETCOUNT, 0, 0) == 0) {
                // A big ring fills the list between messages: the demo key may not be in it yet.
                LRESULT at = LB_ERR;
                for (int turn = 0; turn < 6000; ++turn) {
                    at = SendMessageA(pub->listBox1(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(kUser));
                    if (at != LB_ERR) break;
                    MSG msg;
                    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                        TranslateMessage(&msg);
                        DispatchMessageA(&msg);
                    }
                    Sleep(10);
                }
                SendMessageA(pub->listBox1(), LB_SETCURSEL, static_cast<WPARAM>(at), 0);
                pub->SpeedButton1Click();
            }
            pub->Button1Click();
        } else {
            f.close();
        }
    };
    form.showMain();
    SetWindowTextA(editorApp.passPhrase().edit1(), kPass);
    g_memo = form.memo();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, afterCall, nullptr, GetCurrentThreadId());

    struct Figures {
        std::vector<double> total, dialog, launch, wait, batchExit, pickup, cleanup;
    } enc, dec;
    auto record = [](Figures& f, bool withDialog) {
        f.total.push_back(ms(g_m.click, g_m.textShown));
        f.dialog.push_back(withDialog ? ms(g_m.click, g_m.dialogShown) : 0);
        f.launch.push_back(ms(g_m.launchStart, g_m.launchEnd));
        f.wait.push_back(ms(g_m.launchEnd, g_m.lockGone));
        f.batchExit.push_back(ms(g_m.lockGone, g_m.pickUpStart));
        f.pickup.push_back(ms(g_m.pickUpStart, g_m.textShown));
        f.cleanup.push_back(ms(g_m.textShown, g_m.done));
    };
    // Between runs, outside the timing: the wipes of the last job end.
    auto settle = [&] {
        while (anyRunsFrom(work))
            Sleep(20);
    };
    std::vector<double> engineEnc, engineDec, pgpEnc, pgpDec, empty;
    const std::string gpg = "\"" + bin + "gnupg\\gpg.exe\" --homedir \"" + home + "\" --batch --no-tty ";
    const std::string killAgent =
        "\"" + bin + "gnupg\\gpgconf.exe\" --homedir \"" + home + "\" --kill gpg-agent";
    std::ofstream(pgpDir + "bench.txt", std::ios::binary) << message;
    for (int i = 0; i < runs; ++i) {
        mw::setWindowText(form.memo(), message);
        g_m = {};
        g_m.click = now();
        form.BitBtn1Click();
        g_m.done = now();
        const std::string encrypted = mw::windowText(form.memo());
        if (!g_m.textShown.QuadPart || encrypted.find("-----BEGIN PGP MESSAGE-----") != 0) {
            std::printf("run %d: Encrypt gave no message\n", i + 1);
            for (const auto& box : interaction.shown)
                std::printf("message: %s\n", box.text.c_str());
            return 1;
        }
        record(enc, true);
        settle();
        g_m = {};
        g_m.click = now();
        form.BitBtn2Click();
        g_m.done = now();
        if (!g_m.textShown.QuadPart || mw::windowText(form.memo()) != message) {
            std::printf("run %d: Decrypt did not give the message back\n", i + 1);
            return 1;
        }
        record(dec, false);
        settle();

        // The same text through the engine alone, then through pgp.exe alone, then an empty job.
        DeleteFileA((pgpDir + "bench.asc").c_str());
        engineEnc.push_back(timedRun(gpg +
                                         "--armor --textmode --recipient demo@murkwell.invalid --output \"" +
                                         pgpDir + "bench.asc\" --encrypt \"" + pgpDir + "bench.txt\"",
                                     pgpDir, ""));
        DeleteFileA((pgpDir + "bench.out").c_str());
        engineDec.push_back(timedRun(gpg + "--pinentry-mode loopback --passphrase-fd 0 --output \"" + pgpDir +
                                         "bench.out\" --decrypt \"" + pgpDir + "bench.asc\"",
                                     pgpDir, std::string(kPass) + "\n"));
        timedRun(killAgent, pgpDir, "");
        if (readFile(pgpDir + "bench.out") != message) engineDec.back() = -1;
        DeleteFileA((pgpDir + "bench.asc").c_str());
        pgpEnc.push_back(timedRun("\"" + bin + "pgp.exe\" -eat bench.txt \"" + kUser + "\"", pgpDir, ""));
        DeleteFileA((pgpDir + "bench.out").c_str());
        pgpDec.push_back(
            timedRun("\"" + bin + "pgp.exe\" -z \"" + kPass + "\" bench.asc -o bench.out", pgpDir, ""));
        if (readFile(pgpDir + "bench.out") != message) pgpDec.back() = -1;
        empty.push_back(emptyJob(pgpDir));
        for (double t : {engineEnc.back(), engineDec.back(), pgpEnc.back(), pgpDec.back(), empty.back()})
            if (t < 0) {
                std::printf("run %d: a direct run failed\n", i + 1);
                return 1;
            }
        std::printf(
            "run %d: editor Encrypt %.0f ms, Decrypt %.0f ms; engine %.0f / %.0f ms; pgp.exe %.0f / %.0f "
            "ms; empty job %.0f ms\n",
            i + 1, enc.total.back(), dec.total.back(), engineEnc.back(), engineDec.back(), pgpEnc.back(),
            pgpDec.back(), empty.back());
    }
    UnhookWindowsHookEx(hook);
    auto report = [&](const char* name, const Figures& f, double engine, double pgp, int goalMs) {
        std::printf("%s (median of %d, 100 KB):\n", name, runs);
        std::printf("  editor, click to replaced text  %6.0f ms   goal < %d ms\n", median(f.total), goalMs);
        std::printf("  engine alone (gpg.exe)           %6.0f ms   ratio editor/engine %.1f\n", engine,
                    median(f.total) / engine);
        if (median(f.dialog) > 0)
            std::printf("  - key dialog's listing job       %6.0f ms\n", median(f.dialog));
        std::printf("  - launch of the batch file       %6.0f ms\n", median(f.launch));
        std::printf(
            "  - wait for the lock to go        %6.0f ms   (pgp.exe alone %.0f ms, empty job %.0f ms)\n",
            median(f.wait), pgp, median(empty));
        std::printf("  - cmd.exe's end after the lock   %6.0f ms\n", median(f.batchExit));
        std::printf("  - pick-up into the editor        %6.0f ms\n", median(f.pickup));
        std::printf("  after the text: clean-up         %6.0f ms\n", median(f.cleanup));
    };
    report("Encrypt", enc, median(engineEnc), median(pgpEnc), 1500);
    report("Decrypt", dec, median(engineDec), median(pgpDec), 2000);
    return 0;
}
