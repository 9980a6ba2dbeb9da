#pragma once
// One install job: the package to run and the update it installs, plus the
// caller's tag. Its identifier is a handle that no other live job in the
// process holds.

#include <cstdint>
#include <string>

#include "updateengine/com_object.h"
#include "zema/engine/update_engine.h"

namespace updateengine {

class InstallJobObject : public ComObject<IInstallJob> {
public:
    // `owner` is the serial number of the installer that made the job.
    // Null when memory ran out.
    static win::ComPtr<InstallJobObject> Create(uint64_t owner);

    // The job object behind `job` when it is a live job made by `owner`;
    // the caller holds a reference to `job`.
    static InstallJobObject* Recognise(IInstallJob* job, uint64_t owner);

    STDMETHODIMP SetMode(LONG mode) override;
    STDMETHODIMP get_Tag(LONG* tag) override;
    STDMETHODIMP put_Tag(LONG tag) override;
    STDMETHODIMP get_ID(LONG* jobId) override;
    STDMETHODIMP get_PackagePath(BSTR* path) override;
    STDMETHODIMP put_PackagePath(BSTR path) override;
    STDMETHODIMP get_Update(IUpdateInfo** update) override;
    STDMETHODIMP put_Update(IUpdateInfo* update) override;

    int32_t Id() const { return id_; }
    LONG Mode() const { return mode_; }
    const std::wstring& PackagePath() const { return packagePath_; }
    IUpdateInfo* Update() const { return update_.Get(); }

private:
    explicit InstallJobObject(uint64_t owner) : owner_(owner) {}
    ~InstallJobObject() override;

    uint64_t owner_;
    int32_t id_ = 0;
    LONG mode_ = zema::engine::kInstallModeInstall;
    LONG tag_ = 0;
    std::wstring packagePath_;
    win::ComPtr<IUpdateInfo> update_;
};

}  // namespace updateengine
