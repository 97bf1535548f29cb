#include "AnimatorManager.h"

#include "Describe.h"
#include "GLFormAnimator.h"

#include "platform/Random.h"
#include "platform/qt/Forms.h"
#include "platform/qt/MessageBox.h"
#include "platform/qt/Screen.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <exception>

using namespace win32;
using namespace platform::qt;

namespace FormAnimator {

TAnimatorManager* GlobalAnimatorManager = nullptr;

namespace {

// The form's own handling of an event, without the event filters.
struct TFormAccess : QWidget {
    using QWidget::event;
};

bool FormEvent(TForm* form, QEvent* event)
{
    auto handle = &TFormAccess::event;
    return (form->*handle)(event);
}

// The window procedure of every hooked form. It outlives the manager: forms
// keep it, and without a manager it lets the form handle everything.
class TFormWindowProc : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        TAnimatorManager* manager = GlobalAnimatorManager;
        if (!manager || !watched->isWidgetType())
            return false;
        TMessage message;
        message.Event = event;
        if (event->type() == QEvent::Show) {
            message.Msg = WM_SHOWWINDOW;
            message.WParam = 1;
            message.LParam = event->spontaneous() ? 1 : 0;
        }
        TForm* saved = manager->CurrentForm;
        manager->CurrentForm = static_cast<TForm*>(watched);
        bool handled = false;
        try {
            handled = manager->Dispatch(message);
        } catch (...) {
            if (GlobalAnimatorManager == manager)
                manager->CurrentForm = saved;
            throw;
        }
        if (GlobalAnimatorManager == manager)
            manager->CurrentForm = saved;
        return handled;
    }
};

TFormWindowProc& FormWindowProc()
{
    static TFormWindowProc proc;
    return proc;
}

std::string FailureText(const std::string& message, const char* question, const std::string& description)
{
    return "Le gestionnaire d'animations a provoqué une erreur avec ce message:\r\r\"" + message + "\"\r\r" +
           question + "\"" + description + "\", qui a déclenché l'erreur?";
}

// A modal warning box with Yes and No; the text's line ends, carriage
// returns included, show as line breaks.
bool AskWarning(const std::string& text)
{
    QString shown = QString::fromUtf8(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), shown, QMessageBox::Yes | QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    return platform::qt::ExecMessageBox(box) == QMessageBox::Yes;
}

void RemoveClass(std::vector<TFormAnimatorClass>& classes, TFormAnimatorClass doomed)
{
    const auto at = std::find(classes.begin(), classes.end(), doomed);
    if (at != classes.end())
        classes.erase(at);
}

} // namespace

TAnimatorManager::TAnimatorManager()
{
    platform::ProgramRandom().SeedFromClock();
    if (GlobalAnimatorManager)
        throw EInvalidOperation("Animator manager already created");
    GlobalAnimatorManager = this;
    try {
        // The styles, in the order of their numbers.
        RegisterAnimator(ClassOf<TClassicAnimator>());
        RegisterAnimator(ClassOf<TWinAnimator>());
        RegisterAnimator(ClassOf<TVistaEmulationAnimator>());
        RegisterAnimator(ClassOf<TGLFormAnimator>());
    } catch (...) {
        GlobalAnimatorManager = nullptr;
        throw;
    }
    HookHandle = SetWindowsHookExA(WH_CBT, &CbtHookProc, nullptr, GetCurrentThreadId());
    Usage = 100;
}

TAnimatorManager::~TAnimatorManager() noexcept(false)
{
    UnhookWindowsHookEx(HookHandle);
    AnimatorClasses.clear();
    const std::exception_ptr failure = Attempt([this] { FreeAndNil(Animator); });
    if (GlobalAnimatorManager == this)
        GlobalAnimatorManager = nullptr;
    RaiseIfCan(failure);
}

void TAnimatorManager::RegisterAnimator(TFormAnimatorClass AnimatorClass) { AnimatorClasses.push_back(AnimatorClass); }

void TAnimatorManager::SetStyle(int32_t Index)
{
    if (Index == Style)
        return;
    const std::exception_ptr freeFailure = Attempt([this] { FreeAndNil(Animator); });
    Style = std::clamp<int32_t>(Index, 0, int32_t(AnimatorClasses.size()));
    if (Style > 0) {
        const TFormAnimatorClass chosen = AnimatorClasses[Style - 1];
        if (const std::exception_ptr failure = Attempt([&] { Animator = chosen->Create().release(); })) {
            if (AskWarning(FailureText(Describe(failure), "Souhaitez-vous retirer le style ", chosen->Description())))
                RemoveClass(AnimatorClasses, chosen);
            SetStyle(0);
        }
    }
    if (freeFailure)
        std::rethrow_exception(freeFailure);
}

void TAnimatorManager::SetDuration(DWORD Milliseconds) { AnimationDuration = Milliseconds; }

void TAnimatorManager::AnimateForm(TForm* Form)
{
    if (!Animator || HasParent(Form) || platform::Random(100) >= Usage)
        return;
    // The last frame stays on the screen until the form has painted itself.
    platform::qt::HoldScreenUntilPainted(Form);
    const std::exception_ptr failure = Attempt([&] { Animator->Animate(Form); });
    if (!failure)
        return;

    // Forms shown while the box is open, the box included, are not animated.
    TFormAnimator* kept = Animator;
    Animator = nullptr;
    const int32_t failedStyle = Style;
    const TFormAnimatorClass failed = AnimatorClasses[failedStyle - 1];
    const bool remove = AskWarning(
        FailureText(Describe(failure), "Souhaitez-vous le désactiver, ainsi que le style ", failed->Description()));
    if (Animator || Style != failedStyle)
        delete kept; // a style was selected while the box was open: that choice stands
    else
        Animator = kept;
    if (remove) {
        RemoveClass(AnimatorClasses, failed);
        SetStyle(0);
    }
}

void TAnimatorManager::HookForm(TForm* Form) { Form->installEventFilter(&FormWindowProc()); }

void TAnimatorManager::HookAllForms()
{
    const QList<QWidget*> forms = ScreenForms();
    for (qsizetype i = forms.size() - 1; i >= 0; --i)
        HookForm(forms[i]);
}

bool TAnimatorManager::Dispatch(TMessage& Message)
{
    if (Message.Msg == WM_SHOWWINDOW) {
        WMShowWindow(Message);
        return true;
    }
    return DefaultHandler(Message);
}

bool TAnimatorManager::DefaultHandler(TMessage& Message)
{
    // The form's own handling runs when the filter lets the event through.
    (void)Message;
    return CurrentForm == nullptr;
}

void TAnimatorManager::WMShowWindow(TMessage& Message)
{
    const QPointer<TForm> form = CurrentForm;
    if (!DefaultHandler(Message) && Message.Event)
        FormEvent(form, Message.Event);
    // The form's own show handling may have closed or destroyed it.
    if (Message.WParam != 0 && Message.LParam == 0 && form && form == CurrentForm && form->isVisible() &&
        IsForm(form))
        AnimateForm(form);
}

LRESULT TAnimatorManager::CbtHookProc(int Code, WPARAM WParam, LPARAM LParam)
{
    TAnimatorManager* manager = GlobalAnimatorManager;
    const LRESULT result = CallNextHookEx(manager ? manager->HookHandle : nullptr, Code, WParam, LParam);
    if (Code == HCBT_CREATEWND && manager)
        manager->HookAllForms();
    return result;
}

void AnimatorManagerInitialization() { new TAnimatorManager; }

void AnimatorManagerFinalization()
{
    TAnimatorManager* manager = GlobalAnimatorManager;
    delete manager;
}

} // namespace FormAnimator
