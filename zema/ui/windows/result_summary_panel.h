#pragma once
// The band at the top of the main window: is a scan running, does the
// computer need updates, and how many are installed, not installed and
// failed. It reads the session at each paint and changes nothing.

#include <windows.h>

#include <array>
#include <string>

#include "zema/core/app_services.h"
#include "zema/ui/models/result_source.h"
#include "zema/ui/models/result_summary.h"

namespace zema {

class SkinResources;

class ResultSummaryPanel : public SessionListener {
public:
    static constexpr UINT_PTR kPaceTimer = 1;
    static constexpr UINT kPaceMs = 200;

    ResultSummaryPanel(const UpdateSession& session, const ResultSource& source,
                       const SkinResources& skin);
    ~ResultSummaryPanel() override;
    ResultSummaryPanel(const ResultSummaryPanel&) = delete;
    ResultSummaryPanel& operator=(const ResultSummaryPanel&) = delete;

    // Subclasses the static control that hosts the band.
    bool Attach(HWND host);
    HWND hwnd() const { return hwnd_; }
    float Progress() const { return pace_.Progress(); }
    // How many times the band was invalidated: the tests count repaints.
    int RepaintRequests() const { return repaints_; }
    // The texts of the totals line as last painted.
    const std::array<std::string, 4>& TotalsTexts() const { return totalsTexts_; }

    // SessionListener (through the main window)
    void OnUpdateChanged(UpdateRecord* record) override;
    void OnScanStarted(HWND requester) override;
    void OnScanCompleted(HWND requester, int result) override;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    void Paint(HDC dc, const RECT& client);
    void PaintTotals(HDC dc, const RECT& client, const SummaryTotals& totals, HFONT font,
                     COLORREF colour, win::Dpi dpi);
    void PaintScanBar(HDC dc, const RECT& client, int titleBottom, win::Dpi dpi);
    void Repaint();

    const UpdateSession& session_;
    const ResultSource& source_;
    const SkinResources& skin_;
    HWND hwnd_ = nullptr;
    ResultSummary pace_;
    int repaints_ = 0;
    std::array<std::string, 4> totalsTexts_;
    COLORREF backgroundFrom_, backgroundTo_, edge_;
    COLORREF barFrom_, barTo_, doneFrom_, doneTo_, barEdge_;
};

}  // namespace zema
