#pragma once
// Classes: TMessage, TAnimatorManager.
//
// The animator manager: makes every form of the program open with the
// entrance of the selected style, without any help from the forms. One
// global object, created at start-up before the main window and destroyed
// after it. A window-creation hook routes every form through the manager's
// window procedure, whose show handler plays the animator on the form before
// its window appears.

#include "FormAnimator.h"

#include "platform/qt/CbtHook.h"

#include <vector>

class QEvent;

namespace FormAnimator {

// A message as the manager's window procedure sees it. A show has
// Msg = WM_SHOWWINDOW, WParam 1 and LParam 0 when the program asked for it,
// LParam 1 when it comes from the window system (a restore).
struct TMessage {
    win32::UINT Msg = 0;
    win32::WPARAM WParam = 0;
    win32::LPARAM LParam = 0;
    QEvent* Event = nullptr;
};

inline constexpr win32::UINT WM_SHOWWINDOW = 0x0018;

class TAnimatorManager : public TObject {
public:
    // Raises EInvalidOperation when a manager exists already.
    TAnimatorManager();
    ~TAnimatorManager() noexcept(false) override;

    void RegisterAnimator(TFormAnimatorClass AnimatorClass);
    // 0 = no animation, 1..N = position in AnimatorClasses; clamped.
    void SetStyle(int32_t Index);
    // Percentage of the shows of top-level forms that are animated.
    void SetUsage(int32_t Value) { Usage = Value; }
    void SetDuration(win32::DWORD Milliseconds);
    void AnimateForm(TForm* Form);
    void HookForm(TForm* Form);
    void HookAllForms();
    // Handles one of CurrentForm's messages; true when the form must not
    // handle it again.
    bool Dispatch(TMessage& Message);
    void WMShowWindow(TMessage& Message);
    static win32::LRESULT CbtHookProc(int Code, win32::WPARAM WParam, win32::LPARAM LParam);

    int32_t Style = 0;
    TFormAnimator* Animator = nullptr;
    TForm* CurrentForm = nullptr;
    std::vector<TFormAnimatorClass> AnimatorClasses;
    platform::qt::HHOOK HookHandle = nullptr;
    int32_t Usage = 100;

private:
    bool DefaultHandler(TMessage& Message);
};

extern TAnimatorManager* GlobalAnimatorManager;

// Program start-up and shutdown: creates the global manager (after the
// library's OpenGL globals, before the main window) and destroys it (after
// the main window).
void AnimatorManagerInitialization();
void AnimatorManagerFinalization();

} // namespace FormAnimator
