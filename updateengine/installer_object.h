#pragma once
// The installer: queues install jobs for its InstallWorker and fires the
// worker's events to the advised sinks on the thread that created it,
// through a hidden window.

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <deque>
#include <memory>

#include "updateengine/catalog.h"
#include "updateengine/com_object.h"
#include "updateengine/install_events_point.h"
#include "updateengine/install_worker.h"
#include "win/message_window.h"
#include "win/unique_handle.h"
#include "zema/engine/update_engine.h"

namespace updateengine {

class InstallerObject : public ComObject<IUpdateInstaller, IConnectionPointContainer>,
                        private win::MessageWindow<InstallerObject> {
public:
    // Made on the thread whose messages will carry its events.
    static HRESULT Create(std::shared_ptr<const Catalog> catalog, IUpdateInstaller** installer);
    // Forgets the hidden window class when the module unloads.
    static void UnregisterWindowClass();

    STDMETHODIMP CreateInstallJob(IInstallJob** job) override;
    STDMETHODIMP QueueJob(IInstallJob* job) override;
    STDMETHODIMP CancelJob(LONG jobId) override;
    STDMETHODIMP SetOption(LONG option) override;

    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

private:
    explicit InstallerObject(std::shared_ptr<const Catalog> catalog);
    ~InstallerObject() override;
    HRESULT Start();
    friend class win::MessageWindow<InstallerObject>;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void FireEvents();
    void Fire(const InstallEvent& event, const std::vector<win::ComPtr<IDispatch>>& sinks);

    // Names this installer to its jobs; an address could be reused.
    const uint64_t serial_;
    std::shared_ptr<const Catalog> catalog_;
    InstallEventsPoint point_;
    // Events taken from the worker and not yet fired. A sink that dispatches
    // messages while it is told (a modal dialog) must not have later events
    // overtake the ones still waiting here.
    std::deque<InstallEvent> pending_;
    bool firing_ = false;
    win::Window window_;
    // Declared last: stopped first, so it never posts to a destroyed window.
    std::unique_ptr<InstallWorker> worker_;
};

}  // namespace updateengine
