#include "platform/ui/Sound.h"
#include <mmsystem.h>

namespace ui {

TSoundThread& TSoundThread::Instance() {
    static TSoundThread t(TSystem{
        [](LPCWSTR sound, unsigned flags) { PlaySoundW(sound, nullptr, flags); },
        [](unsigned frequency, unsigned durationMs) { ::Beep(frequency, durationMs); },
    });
    return t;
}

TSoundThread::TSoundThread(TSystem system) : FSystem(std::move(system)) {}

// Users that never let go (a process ending with a form alive) leave the thread to the system.
TSoundThread::~TSoundThread() {
    if (FThread) CloseHandle(FThread);
}

void TSoundThread::Serve(const TRequest& r) {
    switch (r.Kind) {
        case TKind::Memory: FSystem.Play(static_cast<LPCWSTR>(r.Wave), r.Flags); break;
        case TKind::File: FSystem.Play(r.File.c_str(), r.Flags); break;
        case TKind::Beep: FSystem.Beep(r.Frequency, r.Duration); break;
        case TKind::Stop:
        case TKind::Quit: FSystem.Play(nullptr, 0); break;
        default: break;
    }
}

TSoundThread::TRequest TSoundThread::Request(TKind kind) {
    TRequest r;
    r.Kind = kind;
    return r;
}

void TSoundThread::Acquire() {
    AcquireSRWLockExclusive(&FLock);
    if (FUsers++ == 0 && !FThread) FThread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    ReleaseSRWLockExclusive(&FLock);
}

void TSoundThread::Release() {
    AcquireSRWLockExclusive(&FLock);
    HANDLE thread = nullptr;
    if (FUsers > 0 && --FUsers == 0 && FThread) {
        // The quit goes after whatever waits and stops every sound before the thread ends.
        TRequest quit = Request(TKind::Quit);
        quit.Number = ++FPosted;
        FPending.push_back(std::move(quit));
        WakeConditionVariable(&FWake);
        thread = FThread;
        FThread = nullptr;  // from here on requests are served on the caller's thread
    }
    ReleaseSRWLockExclusive(&FLock);
    if (!thread) return;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

void TSoundThread::PlayMemory(const void* wave, unsigned flags) {
    TRequest r = Request(TKind::Memory);
    r.Wave = wave;
    r.Flags = flags;
    Post(std::move(r), false);
}

void TSoundThread::PlayFile(const std::wstring& fileName, unsigned flags) {
    TRequest r = Request(TKind::File);
    r.File = fileName;
    r.Flags = flags;
    Post(std::move(r), false);
}

void TSoundThread::Beep(unsigned frequency, unsigned durationMs) {
    TRequest r = Request(TKind::Beep);
    r.Frequency = frequency;
    r.Duration = durationMs;
    Post(std::move(r), false);
}

void TSoundThread::Stop() { Post(Request(TKind::Stop), true); }

// Without a thread (no user, or it could not be made) the request is served on the caller's.
void TSoundThread::Post(TRequest r, bool wait) {
    AcquireSRWLockExclusive(&FLock);
    if (!FThread) {
        ReleaseSRWLockExclusive(&FLock);
        Serve(r);
        return;
    }
    // A sound still waiting is dropped for the next one; a stop or the quit never is.
    auto sound = [](const TRequest& q) { return q.Kind == TKind::Memory || q.Kind == TKind::File || q.Kind == TKind::Beep; };
    if (sound(r))
        while (!FPending.empty() && sound(FPending.back())) FPending.pop_back();
    r.Number = ++FPosted;
    unsigned long long mine = r.Number;
    FPending.push_back(std::move(r));
    WakeConditionVariable(&FWake);
    while (wait && FServed < mine) SleepConditionVariableSRW(&FDone, &FLock, INFINITE, 0);
    ReleaseSRWLockExclusive(&FLock);
}

DWORD WINAPI TSoundThread::ThreadProc(void* self) {
    static_cast<TSoundThread*>(self)->Run();
    return 0;
}

void TSoundThread::Run() {
    for (;;) {
        AcquireSRWLockExclusive(&FLock);
        while (FPending.empty()) SleepConditionVariableSRW(&FWake, &FLock, INFINITE, 0);
        TRequest r = std::move(FPending.front());
        FPending.pop_front();
        ReleaseSRWLockExclusive(&FLock);

        Serve(r);

        AcquireSRWLockExclusive(&FLock);
        FServed = r.Number;
        WakeAllConditionVariable(&FDone);
        ReleaseSRWLockExclusive(&FLock);
        if (r.Kind == TKind::Quit) return;
    }
}

}  // namespace ui
