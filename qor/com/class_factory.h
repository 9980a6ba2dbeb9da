#pragma once
// The class object of QORDownloader.

#include <windows.h>
#include <unknwn.h>

#include <atomic>

namespace qor {

class ClassFactory : public IClassFactory {
public:
    ClassFactory() = default;
    virtual ~ClassFactory() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    std::atomic<ULONG> refs_{1};
};

}  // namespace qor
