#include "TLS.h"

#include "platform/OSError.h"
#include "platform/win32/LastError.h"
#include "platform/win32/Tls.h"

namespace FormAnimator {

using namespace win32;

namespace {

DWORD AllocIndex()
{
    DWORD index = TlsAlloc();
    if (index == TLS_OUT_OF_INDEXES)
        RaiseLastOSError();
    return index;
}

} // namespace

TTLSObject::TTLSObject() : TlsIndex(AllocIndex()) {}

TTLSObject::~TTLSObject()
{
    if (!TlsFree(TlsIndex) && CanRaise())
        RaiseLastOSError();
}

TObject* TTLSObject::GetValue() const
{
    // A successful read clears the last error, so a null value with no error
    // simply means that this thread stored nothing yet.
    void* value = TlsGetValue(TlsIndex);
    DWORD error = GetLastError();
    if (error != ERROR_SUCCESS)
        throw platform::EOSError(static_cast<int>(error), platform::SysErrorMessage(static_cast<int>(error)));
    return static_cast<TObject*>(value);
}

void TTLSObject::SetValue(TObject* Value)
{
    if (!TlsSetValue(TlsIndex, Value))
        RaiseLastOSError();
}

} // namespace FormAnimator
