#pragma once
// Classes: TTLSObject.
//
// Per-thread object store: every thread has its own slot holding one object
// reference, kept in a thread-local-storage index. The store does not own
// what threads put there; a subclass that stores objects frees them itself.

#include "Classes.h"

#include "platform/win32/WinTypes.h"

namespace FormAnimator {

class TTLSObject : public TObject {
public:
    // Raises the platform error when no index is left.
    TTLSObject();
    // Releases the index; the values threads stored are left alone.
    ~TTLSObject() override;

    // The calling thread's value; null when it never stored one.
    TObject* GetValue() const;
    void SetValue(TObject* Value);

    const win32::DWORD TlsIndex;
};

} // namespace FormAnimator
