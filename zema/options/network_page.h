#pragma once
// The Network page: how HTTP and FTP transfers connect (directly, through
// the system's proxy settings or through a proxy given here), one protocol
// shown at a time, the edits of both kept until Apply or Cancel.

#include "zema/options/network_options.h"
#include "zema/options/options_page.h"

namespace zema {

class NetworkPage : public OptionsPage {
public:
    NetworkPage(const SkinResources& skin, SettingsStore& settings);
    bool Apply() override;

protected:
    DialogTemplate Layout() const override;
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;

private:
    void ShowRecord(NetworkProtocol protocol);
    void TakeControls();
    void UpdateEnabling();
    void PutDefaultPort();

    NetworkOptions options_;
    NetworkProtocol shown_ = kProtocolHttp;
};

}  // namespace zema
