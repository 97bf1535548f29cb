#pragma once
// Classes: TCriticalSection, TCriticalSectionGuard.
//
// Re-entrant lock object and its scope guard.

#include "Classes.h"

#include "platform/win32/CriticalSection.h"

namespace FormAnimator {

class TCriticalSection : public TObject {
public:
    TCriticalSection() { win32::InitializeCriticalSection(&FSection); }
    ~TCriticalSection() override { win32::DeleteCriticalSection(&FSection); }
    void Acquire() { win32::EnterCriticalSection(&FSection); }
    void Release() { win32::LeaveCriticalSection(&FSection); }
    bool TryEnter() { return win32::TryEnterCriticalSection(&FSection) != 0; }
    void Enter() { Acquire(); }
    void Leave() { Release(); }

private:
    win32::CRITICAL_SECTION FSection;
};

// Holds a critical section for a scope, released on every exit path.
class TCriticalSectionGuard {
public:
    explicit TCriticalSectionGuard(TCriticalSection& Section) : FSection(Section) { FSection.Enter(); }
    ~TCriticalSectionGuard() { FSection.Leave(); }
    TCriticalSectionGuard(const TCriticalSectionGuard&) = delete;
    TCriticalSectionGuard& operator=(const TCriticalSectionGuard&) = delete;

private:
    TCriticalSection& FSection;
};

} // namespace FormAnimator
