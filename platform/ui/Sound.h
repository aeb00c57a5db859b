// The sound thread: PlaySound and Beep run here, never on the thread that handles the user's
// click. The system's PlaySound takes milliseconds even when it plays asynchronously (and Beep
// blocks for the whole tone), which a judged click or a grid refresh must not wait for.
//
// Requests are served in order; a sound still waiting when the next one comes is dropped, as
// the next would have cut it off anyway (a stop never is). The thread runs while it has users (Acquire/Release)
// and is joined when the last one goes, so no code of this module runs on it after that.
#pragma once
#include <windows.h>
#include <deque>
#include <functional>
#include <string>

namespace ui {

class TSoundThread {
public:
    // What the thread calls: the system's PlaySound and Beep; tests give their own.
    struct TSystem {
        std::function<void(LPCWSTR sound, unsigned flags)> Play;
        std::function<void(unsigned frequency, unsigned durationMs)> Beep;
    };
    static TSoundThread& Instance();
    explicit TSoundThread(TSystem system);
    ~TSoundThread();
    TSoundThread(const TSoundThread&) = delete;
    TSoundThread& operator=(const TSoundThread&) = delete;

    void Acquire();
    void Release();  // the last user ends and joins the thread, after stopping every sound

    // One user for as long as it lives.
    class TUser {
    public:
        TUser() { Instance().Acquire(); }
        ~TUser() { Instance().Release(); }
        TUser(const TUser&) = delete;
        TUser& operator=(const TUser&) = delete;
    };

    // PlaySound of a wave image in memory: the image must stay valid until Stop has returned.
    void PlayMemory(const void* wave, unsigned flags);
    void PlayFile(const std::wstring& fileName, unsigned flags);
    void Beep(unsigned frequency, unsigned durationMs);
    // Stops what this process plays; on return nothing plays from a memory image any longer and
    // no request made before is still waiting.
    void Stop();

private:
    enum class TKind { None, Memory, File, Beep, Stop, Quit };
    struct TRequest {
        TKind Kind = TKind::None;
        const void* Wave = nullptr;
        std::wstring File;
        unsigned Flags = 0, Frequency = 0, Duration = 0;
        unsigned long long Number = 0;  // in the order of posting
    };
    static TRequest Request(TKind kind);
    void Serve(const TRequest& r);
    void Post(TRequest r, bool wait);
    static DWORD WINAPI ThreadProc(void* self);
    void Run();

    TSystem FSystem;
    SRWLOCK FLock = SRWLOCK_INIT;
    CONDITION_VARIABLE FWake = CONDITION_VARIABLE_INIT;  // a request is waiting
    CONDITION_VARIABLE FDone = CONDITION_VARIABLE_INIT;  // a request has been served
    std::deque<TRequest> FPending;
    unsigned long long FPosted = 0, FServed = 0;
    int FUsers = 0;
    HANDLE FThread = nullptr;
};

}  // namespace ui
