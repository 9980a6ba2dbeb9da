#pragma once
// The class object of QORDownloader.

#include <windows.h>
#include <unknwn.h>

#include "win/com_object.h"

namespace qor {

class ClassFactory : public win::ComObject<IClassFactory> {
public:
    ClassFactory() = default;
    virtual ~ClassFactory() = default;

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
};

}  // namespace qor
