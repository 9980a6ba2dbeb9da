#include "zema/ui/windows/result_summary_panel.h"

#include <commctrl.h>

#include <algorithm>

#include "win/unique_handle.h"
#include "win/dialog_scaler.h"
#include "zema/ui/toolkit/drawing.h"
#include "zema/ui/toolkit/memory_canvas.h"
#include "zema/ui/toolkit/skin_resources.h"

namespace zema {
namespace {

constexpr UINT_PTR kSubclassId = 0x5D11;
constexpr int kIconLeft = 16;
constexpr int kIconTop = 10;
constexpr int kTitleTop = 8;
constexpr int kTotalsBand = 26;
constexpr int kSummaryGap = 4;
constexpr int kSummaryRightGap = 60;
constexpr int kBarTop = 38;
constexpr int kBarBottom = 49;
constexpr int kGlyph = 16;

// At the size the skin loaded it for the panel's scale.
void DrawIconNatural(HDC dc, HICON icon, int x, int y) {
    if (icon) ::DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL);
}

}  // namespace

ResultSummaryPanel::ResultSummaryPanel(const UpdateSession& session, const ResultSource& source,
                                       const SkinResources& skin)
    : session_(session),
      source_(source),
      skin_(skin),
      backgroundFrom_(skin.GetColor("rnc_rstsmry_background_from")),
      backgroundTo_(skin.GetColor("rnc_rstsmry_background_to")),
      edge_(skin.GetColor("rnc_rstsmry_edge")),
      barFrom_(skin.GetColor("rnc_rstsmry_probk_from")),
      barTo_(skin.GetColor("rnc_rstsmry_probk_to")),
      doneFrom_(skin.GetColor("rnc_rstsmry_profor_from")),
      doneTo_(skin.GetColor("rnc_rstsmry_profor_to")),
      barEdge_(skin.GetColor("rnc_rstsmry_pro_edge")) {}

ResultSummaryPanel::~ResultSummaryPanel() {
    if (hwnd_) {
        ::KillTimer(hwnd_, kPaceTimer);
        ::RemoveWindowSubclass(hwnd_, &ResultSummaryPanel::SubclassProc, kSubclassId);
    }
}

bool ResultSummaryPanel::Attach(HWND host) {
    if (!host || hwnd_) return false;
    if (!::SetWindowSubclass(host, &ResultSummaryPanel::SubclassProc, kSubclassId,
                             reinterpret_cast<DWORD_PTR>(this)))
        return false;
    hwnd_ = host;
    return true;
}

void ResultSummaryPanel::Repaint() {
    if (!hwnd_) return;
    ++repaints_;
    ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void ResultSummaryPanel::OnUpdateChanged(UpdateRecord* record) {
    if (record && ResultSummary::RepaintsOn(record->status)) Repaint();
}

void ResultSummaryPanel::OnScanStarted(HWND) {
    pace_.StartPace();
    Repaint();
    if (hwnd_) ::SetTimer(hwnd_, kPaceTimer, kPaceMs, nullptr);
}

void ResultSummaryPanel::OnScanCompleted(HWND, int) {
    if (hwnd_) ::KillTimer(hwnd_, kPaceTimer);
    pace_.FinishPace();
    Repaint();
}

void ResultSummaryPanel::Paint(HDC target, const RECT& client) {
    MemoryCanvas canvas(target, client);
    HDC dc = canvas.dc();
    FillGradientFromBottom(dc, client, Gradient{backgroundFrom_, backgroundTo_});
    FrameRectColor(dc, client, edge_);

    // The scan thread fills the update list without a lock: it is not read
    // until the scan has ended.
    const bool scanning = session_.IsScanning();
    const SessionSummary records = scanning ? SessionSummary{} : source_.Summary();
    const SummaryAppearance appearance = ResultSummary::Choose(scanning, records);
    const SummaryCounts counts =
        scanning ? SummaryCounts{}
                 : ResultSummary::Count(session_.Updates(), source_.Vulnerabilities());
    const AppearanceLook look = ResultSummary::Look(
        appearance, counts, [this](const char* name) { return skin_.HasString(name); });
    const win::Dpi dpi = win::DialogScaler::ForControl(hwnd_);
    win::Icon icon(skin_.GetIcon(look.icon, dpi.Value()));
    DrawIconNatural(dc, icon.Get(), client.left + dpi.Scale(kIconLeft),
                    client.top + dpi.Scale(kIconTop));

    win::Font titleFont(skin_.GetFont("rnf_result_title", dpi.Value()));
    win::Font summaryFont(skin_.GetFont("rnf_result_summary", dpi.Value()));
    int left = client.left + dpi.Scale(ResultSummary::kContentLeft);
    int textBottom = client.bottom - dpi.Scale(kTotalsBand);

    std::string title = skin_.GetString(look.title);
    RECT titleRect = {left, client.top + dpi.Scale(kTitleTop), client.right, textBottom};
    {
        SelectScope font(dc, titleFont.Get());
        RECT measured = titleRect;
        ::DrawTextA(dc, title.empty() ? " " : title.c_str(), -1, &measured,
                    DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        titleRect.bottom = std::min<int>(textBottom, measured.bottom);
        DrawTextInBox(dc, title, titleRect, DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX,
                      skin_.GetColor(look.titleColour), 0, true);
    }

    std::string summary;
    switch (appearance) {
    case SummaryAppearance::Serious:
        summary = skin_.Format(look.summary, "%d%d", counts.vulnerabilities, counts.updates);
        break;
    case SummaryAppearance::RestartPending:
        summary = skin_.Format(look.summary, "%d", counts.awaitingReboot);
        break;
    default: summary = skin_.GetString(look.summary); break;
    }
    COLORREF summaryColour = skin_.GetColor(look.summaryColour);
    RECT summaryRect = {left, titleRect.bottom + dpi.Scale(kSummaryGap),
                        client.right - dpi.Scale(kSummaryRightGap), textBottom};
    {
        SelectScope font(dc, summaryFont.Get());
        DrawTextInBox(dc, summary, summaryRect,
                      DT_LEFT | DT_WORDBREAK | DT_WORD_ELLIPSIS | DT_NOPREFIX, summaryColour, 0,
                      true);
    }

    if (appearance == SummaryAppearance::Scanning)
        PaintScanBar(dc, client, titleRect.bottom, dpi);
    else
        PaintTotals(dc, client, ResultSummary::Totals(records), summaryFont.Get(),
                    summaryColour, dpi);
}

void ResultSummaryPanel::PaintScanBar(HDC dc, const RECT& client, int titleBottom,
                                      win::Dpi dpi) {
    RECT bar = {client.left + dpi.Scale(ResultSummary::kContentLeft),
                titleBottom + dpi.Scale(kBarTop), client.right - dpi.Scale(kSummaryRightGap),
                titleBottom + dpi.Scale(kBarBottom)};
    if (bar.right <= bar.left) return;
    FillGradientFromBottom(dc, bar, Gradient{barFrom_, barTo_});
    RECT done = bar;
    float progress = std::clamp(pace_.Progress(), 0.0f, 1.0f);
    done.right = bar.left + static_cast<int>((bar.right - bar.left) * progress);
    if (done.right > done.left) FillGradientFromBottom(dc, done, Gradient{doneFrom_, doneTo_});
    FrameRectColor(dc, bar, barEdge_);
}

void ResultSummaryPanel::PaintTotals(HDC dc, const RECT& client, const SummaryTotals& totals,
                                     HFONT font, COLORREF colour, win::Dpi dpi) {
    SelectScope selected(dc, font);
    std::array<int, 4> values = ResultSummary::TotalsValues(totals);
    std::array<const char*, 4> names = ResultSummary::TotalsTexts();
    std::array<const char*, 4> icons = ResultSummary::TotalsIcons();
    std::array<int, 4> widths = {};
    for (size_t i = 0; i < names.size(); ++i) {
        totalsTexts_[i] = skin_.Format(names[i], "%d", values[i]);
        SIZE size = {};
        ::GetTextExtentPoint32A(dc, totalsTexts_[i].c_str(),
                                static_cast<int>(totalsTexts_[i].size()), &size);
        widths[i] = size.cx;
    }
    int width = client.right - client.left;
    auto places = ResultSummary::PlaceTotals(widths, width, dpi);
    RECT band = {client.left, client.bottom - dpi.Scale(kTotalsBand), client.right, client.bottom};
    int middle = (band.top + band.bottom) / 2;
    int limit = client.right - dpi.Scale(ResultSummary::kRightGap);
    int glyph = dpi.Scale(kGlyph);
    for (size_t i = 0; i < places.size(); ++i) {
        int iconLeft = client.left + places[i].left;
        if (iconLeft >= limit) break;
        win::Icon icon(skin_.GetIcon(icons[i], dpi.Value()));
        if (icon)
            ::DrawIconEx(dc, iconLeft, middle - glyph / 2, icon.Get(), glyph, glyph, 0, nullptr,
                         DI_NORMAL);
        RECT text = {client.left + places[i].textLeft, band.top, limit, band.bottom};
        DrawTextInBox(dc, totalsTexts_[i], text,
                      DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_WORD_ELLIPSIS | DT_NOPREFIX,
                      colour, 0, true);
    }
}

LRESULT CALLBACK ResultSummaryPanel::SubclassProc(HWND hwnd, UINT message, WPARAM wParam,
                                                  LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* panel = reinterpret_cast<ResultSummaryPanel*>(self);
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        RECT client;
        ::GetClientRect(hwnd, &client);
        panel->Paint(dc, client);
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_TIMER:
        if (wParam != kPaceTimer) break;
        if (panel->pace_.StepPace())
            panel->Repaint();
        else
            ::KillTimer(hwnd, kPaceTimer);
        return 0;
    case WM_NCDESTROY:
        ::KillTimer(hwnd, kPaceTimer);
        ::RemoveWindowSubclass(hwnd, &ResultSummaryPanel::SubclassProc, kSubclassId);
        panel->hwnd_ = nullptr;
        break;
    default:
        break;
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace zema
