#pragma once
// The Advanced download dialog: concurrent downloads, connections per
// download, bandwidth limit, retries and resuming, each within its range.

#include <windows.h>

#include <memory>
#include <vector>

#include "zema/core/settings_store.h"
#include "zema/ui/toolkit/skin_control.h"
#include "zema/ui/toolkit/skinned_dialog.h"

namespace zema {

class SkinResources;

class AdvancedDownloadDialog : public SkinnedDialog {
public:
    AdvancedDownloadDialog(const SkinResources& skin, const DownloadLimits& limits);

    // Modal; IDOK with Limits() holding the edited values, or IDCANCEL.
    INT_PTR Run(HWND owner);
    // Modeless, for the gallery.
    HWND Show(HWND owner);
    const DownloadLimits& Limits() const { return limits_; }

protected:
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;

private:
    static DialogTemplate Layout();
    void ShowLimits();
    void UpdateBandwidthField();
    void OnOk();

    DownloadLimits limits_;
    std::vector<std::unique_ptr<SkinControl>> controls_;
};

}  // namespace zema
