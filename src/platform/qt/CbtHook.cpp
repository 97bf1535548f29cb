#include "CbtHook.h"

#include "platform/win32/LastError.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QWidget>

#include <unistd.h>

namespace platform::qt {

struct HHOOK__ : QObject {
    HOOKPROC proc = nullptr;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WinIdChange || event->type() == QEvent::Polish)
            if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow())
                proc(HCBT_CREATEWND, reinterpret_cast<win32::WPARAM>(watched), 0);
        return false;
    }
};

win32::DWORD GetCurrentThreadId() { return win32::DWORD(::gettid()); }

HHOOK SetWindowsHookExA(int idHook, HOOKPROC proc, win32::HINSTANCE, win32::DWORD threadId)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (idHook != WH_CBT || !proc || !app || threadId != GetCurrentThreadId() ||
        app->thread() != QThread::currentThread()) {
        win32::SetLastError(win32::ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* hook = new HHOOK__;
    hook->proc = proc;
    app->installEventFilter(hook);
    return hook;
}

win32::BOOL UnhookWindowsHookEx(HHOOK hook)
{
    if (!hook) {
        win32::SetLastError(win32::ERROR_INVALID_HANDLE);
        return win32::FALSE;
    }
    delete hook; // leaves the application's filter list with it
    return win32::TRUE;
}

win32::LRESULT CallNextHookEx(HHOOK, int, win32::WPARAM, win32::LPARAM) { return 0; }

} // namespace platform::qt
