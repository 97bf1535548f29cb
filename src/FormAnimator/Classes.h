#pragma once
// Classes: TObject, Exception, EInvalidOperation, EConvertError, TPersistent.
//
// Root classes of the window-animation library: the object base whose
// destructors may raise (as the library's own destructors do when a
// consistency check fails), the persistent base with Assign, and the
// notification type.

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

namespace FormAnimator {

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() noexcept(false) = default;
};

// True when a destructor may raise without ending the program, that is when
// no other exception is already on its way out.
inline bool CanRaise() { return std::uncaught_exceptions() == 0; }

// Runs one step of a clean-up and hands back what it raised, so that the
// steps after it still run before the failure leaves.
template <class F>
std::exception_ptr Attempt(F&& Step)
{
    try {
        Step();
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

// Lets a destructor's failure leave, unless another exception is already on
// its way out: a second one would end the program.
inline void RaiseIfCan(const std::exception_ptr& Failure)
{
    if (Failure && CanRaise())
        std::rethrow_exception(Failure);
}

// Clears the reference first, then destroys the object, so that the
// reference never points at a dead object even when the destructor raises.
template <class T>
void FreeAndNil(T*& object)
{
    T* doomed = object;
    object = nullptr;
    delete doomed;
}

// ASCII lower case: file extensions and OpenGL extension names compare
// without regard to case.
std::string LowerCase(std::string text);

using TNotifyEvent = std::function<void(TObject* Sender)>;

// The toolkit's general exception: a message and nothing else.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A call made at a moment or in a state where it is not allowed.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TPersistent : public TObject {
public:
    // Copies what Source knows how to give; raises EConvertError otherwise.
    virtual void Assign(const TPersistent* Source);
    virtual std::string ClassName() const { return "TPersistent"; }

protected:
    virtual void AssignTo(TPersistent* Dest) const;
};

} // namespace FormAnimator
