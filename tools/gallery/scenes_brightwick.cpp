// The self-updater's dialog in each state of a run: checking, the offer,
// downloading, success, failure, and a release refused for its signature.
// The states come from the same messages the workers post; no server runs.

#include <memory>

#include "brightwick/updater_dialog.h"
#include "tools/gallery/gallery.h"

namespace {

using brightwick::UpdaterDialog;

UpdaterDialog& MakeDialog(gallery::SceneContext& context) {
    brightwick::RunContext run;
    run.installedVersion = "2.0.0.9";
    auto& dialog = context.Keep(
        std::make_unique<UpdaterDialog>(::GetModuleHandleA(nullptr), run, "Brightwick.exe -manual"));
    dialog.Create(false);
    return dialog;
}

void Send(UpdaterDialog& dialog, UINT message, WPARAM code = 0) {
    ::SendMessageA(dialog.hwnd(), message, code, 0);
}

HWND Shown(UpdaterDialog& dialog) {
    if (!dialog.hwnd()) return nullptr;
    ::ShowWindow(dialog.hwnd(), SW_SHOW);
    return dialog.hwnd();
}

void Offer(UpdaterDialog& dialog) {
    dialog.State().newVersion = "2.0.0.10";
    Send(dialog, brightwick::UM_CHECKED);
}

// The upgrade under way: the first of three files fetched, the second half.
void Downloading(UpdaterDialog& dialog) {
    Offer(dialog);
    ::ShowWindow(::GetDlgItem(dialog.hwnd(), 1000), SW_HIDE);
    brightwick::UpgradeState& state = dialog.State();
    const char* names[] = {"Brightwick.exe", "QOR.dll", "logo.bmp"};
    const uint32_t sizes[] = {21377, 152340, 5427};
    {
        std::lock_guard<std::mutex> lock(state.lock);
        for (int i = 0; i < 3; ++i) {
            brightwick::FileEntry entry;
            entry.item.name = names[i];
            entry.item.dlsize = sizes[i];
            state.entries.push_back(entry);
        }
    }
    state.listFetchedFraction = 1;
    state.listParsedFraction = 1;
    state.downloading = true;
    state.currentEntry = 1;
    state.finishedBytes = sizes[0];
    state.downloadedBytes = 98304;
    Send(dialog, brightwick::UM_DOWNLOADING);
    Send(dialog, brightwick::UM_PROGRESS);
}

}  // namespace

ZG_GALLERY_SCENE(brightwick_check, "brightwick_check") { return Shown(MakeDialog(context)); }

ZG_GALLERY_SCENE(brightwick_offer, "brightwick_offer") {
    UpdaterDialog& dialog = MakeDialog(context);
    Offer(dialog);
    return Shown(dialog);
}

ZG_GALLERY_SCENE(brightwick_progress, "brightwick_progress") {
    UpdaterDialog& dialog = MakeDialog(context);
    Downloading(dialog);
    return Shown(dialog);
}

ZG_GALLERY_SCENE(brightwick_success, "brightwick_success") {
    UpdaterDialog& dialog = MakeDialog(context);
    Downloading(dialog);
    Send(dialog, brightwick::UM_DEPLOYING);
    Send(dialog, brightwick::UM_SUCCEEDED);
    return Shown(dialog);
}

ZG_GALLERY_SCENE(brightwick_failure, "brightwick_failure") {
    UpdaterDialog& dialog = MakeDialog(context);
    Downloading(dialog);
    Send(dialog, brightwick::UM_FAILED, static_cast<WPARAM>(-6));
    return Shown(dialog);
}

ZG_GALLERY_SCENE(brightwick_refused, "brightwick_refused") {
    UpdaterDialog& dialog = MakeDialog(context);
    Offer(dialog);
    ::ShowWindow(::GetDlgItem(dialog.hwnd(), 1000), SW_HIDE);
    {
        std::lock_guard<std::mutex> lock(dialog.State().lock);
        dialog.State().failureReason = brightwick::FailureReason::kBadSignature;
    }
    Send(dialog, brightwick::UM_FAILED, static_cast<WPARAM>(-6));
    return Shown(dialog);
}
