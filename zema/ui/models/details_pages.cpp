#include "zema/ui/models/details_pages.h"

#include <algorithm>
#include <climits>
#include <set>

#include "zema/core/system_utils.h"
#include "zema/core/web_link.h"

namespace zema {
namespace {

// The lookup page's path and query key are fixed; the host is ours to pick.
constexpr char kCveLookupPage[] = "https://cve.mitre.org/cgi-bin/cvename.cgi?name=";

constexpr COLORREF kStatusBlue = RGB(0, 0, 255);
constexpr COLORREF kStatusRed = RGB(255, 0, 0);
constexpr COLORREF kStatusGreen = RGB(0, 200, 0);

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string TrimLeft(const std::string& text) {
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    return text.substr(first);
}

std::string Trim(const std::string& text) {
    std::string left = TrimLeft(text);
    size_t end = left.size();
    while (end > 0 && IsBlank(left[end - 1])) --end;
    return left.substr(0, end);
}

// Each point, then at once its superseded points, depth first.
template <typename Visit>
void WalkPoints(const std::vector<UpdatePoint>& points, Visit& visit) {
    for (const UpdatePoint& point : points) {
        visit(point);
        WalkPoints(point.supersededPoints, visit);
    }
}

DetailsCell Plain(std::string text, int font = kListFont) {
    DetailsCell cell;
    cell.text = std::move(text);
    cell.font = font;
    return cell;
}

// A cell that opens `target` when clicked. A target that is not a web
// address is never opened, so the cell does not look like a link either.
DetailsCell Link(std::string text, int font, std::string target, int32_t key = 0) {
    DetailsCell cell = Plain(std::move(text), font);
    cell.key = key;
    if (!target.empty() && !IsWebLink(target)) return cell;
    cell.colored = true;
    cell.color = kLinkColor;
    cell.link = std::move(target);
    return cell;
}

std::string LastPathSegment(std::string address) {
    std::replace(address.begin(), address.end(), '\\', '/');
    size_t slash = address.rfind('/');
    return slash == std::string::npos ? address : address.substr(slash + 1);
}

std::string JoinArticles(const std::vector<std::string>& articles) {
    std::string joined;
    for (const std::string& article : articles) joined += article + ";";
    if (!joined.empty()) joined.pop_back();
    return joined;
}

}  // namespace

const char* const kGeneralRowNames[kGeneralRowCount] = {
    "rns_property_title",          "rns_property_filename",
    "rns_property_status",         "rns_property_serverityrating",
    "rns_property_securitybulletin", "rns_property_kb",
    "rns_property_updatesize",     "rns_property_language",
    "rns_property_reboot",         "rns_property_publisheddate",
    "rns_property_publisher",      "rns_property_url",
    "rns_property_vulnbrief",      "rns_property_fixvulncount",
    "rns_property_impact",         "rns_property_impactedsoftware",
    "rns_property_impactedcomponent", "rns_property_recommendation",
    "rns_property_description",
};

std::vector<std::string> SplitParagraphs(const std::string& text) {
    std::vector<std::string> paragraphs;
    std::string rest = Trim(text);
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find("\r\n", start);
        if (end == std::string::npos) end = rest.size();
        std::string paragraph = TrimLeft(rest.substr(start, end - start));
        if (!paragraph.empty()) paragraphs.push_back(std::move(paragraph));
        start = end + 2;
    }
    return paragraphs;
}

std::vector<DetailsRow> WrapDescription(const std::string& text, int width,
                                        const LineBreaker& breaker, int lineKind, int lastKind,
                                        bool blankAfterParagraph) {
    std::vector<DetailsRow> rows;
    for (const std::string& paragraph : SplitParagraphs(text)) {
        std::vector<std::string> lines = breaker ? breaker(paragraph, width)
                                                 : std::vector<std::string>{paragraph};
        if (lines.empty()) lines.push_back(paragraph);
        for (size_t i = 0; i < lines.size(); ++i) {
            DetailsRow row;
            row.kind = i + 1 == lines.size() ? lastKind : lineKind;
            row.cells.push_back(Plain(lines[i]));
            rows.push_back(std::move(row));
        }
        if (blankAfterParagraph) {
            DetailsRow blank;
            blank.kind = kRowBlankOrVulnerability;
            rows.push_back(std::move(blank));
        }
    }
    return rows;
}

StatusLook DetailsStatusLook(UpdateStatus status) {
    switch (status) {
    case UpdateStatus::NotDownloaded: return {"rns_download_no", false, 0};
    case UpdateStatus::DownloadStarted: return {"rns_download_downloading", false, 0};
    case UpdateStatus::Downloading: return {"rns_download_downloading", true, kStatusBlue};
    case UpdateStatus::AlreadyDownloaded: return {"rns_download_already", false, 0};
    case UpdateStatus::DownloadCompleted: return {"rns_download_completed", false, 0};
    case UpdateStatus::DownloadCanceled: return {"rns_download_canceled", false, 0};
    case UpdateStatus::DownloadFailed: return {"rns_download_failed", true, kStatusRed};
    case UpdateStatus::DownloadWaiting: return {"rns_download_wait", false, 0};
    case UpdateStatus::DownloadWaitingRetry: return {"rns_download_waitretry", false, 0};
    case UpdateStatus::Installing: return {"rns_install_installing", true, kStatusBlue};
    case UpdateStatus::Installed: return {"rns_install_installed", true, kStatusGreen};
    case UpdateStatus::InstallWaiting: return {"rns_install_wait", false, 0};
    case UpdateStatus::InstalledNeedsReboot: return {"rns_install_needreboot", true, kStatusRed};
    case UpdateStatus::InstallCanceled: return {"rns_install_canceled", false, 0};
    case UpdateStatus::InstallFailed: return {"rns_install_failed", true, kStatusRed};
    default: return {nullptr, false, 0};
    }
}

const char* RebootTextName(UpdateStatus status, int32_t rebootBehavior) {
    // What happened on this machine outranks what the catalogue expects.
    if (status == UpdateStatus::Installed) return "rns_reboot_never";
    if (status == UpdateStatus::InstalledNeedsReboot) return "rns_reboot_always";
    switch (rebootBehavior) {
    case 1: return "rns_reboot_never";
    case 2: return "rns_reboot_always";
    case 3: return "rns_reboot_maybe";
    default: return "rns_reboot_unknown";
    }
}

std::string CveLookupAddress(const std::string& cveId) { return kCveLookupPage + cveId; }

DetailsPageBuilder::DetailsPageBuilder(const CatalogFacts& catalog, SkinText text,
                                       LineBreaker breaker, int descriptionWidth)
    : catalog_(catalog),
      text_(std::move(text)),
      breaker_(std::move(breaker)),
      descriptionWidth_(descriptionWidth) {}

DetailsPages DetailsPageBuilder::Build(const UpdateRecord& record) const {
    DetailsPages pages;
    pages.vulnerabilities = Vulnerabilities(record);
    pages.generalKnown = General(record, pages.vulnerabilities.size(), pages.general);
    pages.updates = Updates(record);
    return pages;
}

std::vector<DetailsRow> DetailsPageBuilder::Vulnerabilities(const UpdateRecord& record) const {
    std::vector<DetailsRow> rows;
    std::set<int32_t> listed;
    auto visit = [&](const UpdatePoint& point) {
        BulletinDetails bulletin;
        if (!catalog_.Bulletin(point.securityBulletinId, bulletin)) return;
        for (const VulnerabilityDetails& vulnerability : bulletin.vulnerabilities) {
            if (!listed.insert(vulnerability.id).second) continue;
            DetailsRow row;
            row.kind = kRowBlankOrVulnerability;
            row.cells.push_back(Plain(std::to_string(rows.size() + 1)));
            row.cells.push_back(Link(vulnerability.name, kNameFont,
                                     vulnerability.name.empty()
                                         ? std::string()
                                         : CveLookupAddress(vulnerability.name),
                                     vulnerability.id));
            row.cells.push_back(Link(bulletin.name, kValueFont, bulletin.webPage, bulletin.id));
            DetailsCell more = Link(text_("rns_dbclk_view_description"), kValueFont, "");
            row.cells.push_back(std::move(more));
            row.children = WrapDescription(vulnerability.description, descriptionWidth_,
                                           breaker_, kRowDescriptionLine, kRowVulnParagraphEnd,
                                           false);
            rows.push_back(std::move(row));
        }
    };
    WalkPoints(record.updatePoints, visit);
    return rows;
}

std::vector<DetailsRow> DetailsPageBuilder::Updates(const UpdateRecord& record) const {
    std::vector<DetailsRow> rows;
    std::set<int32_t> listed;
    auto visit = [&](const UpdatePoint& point) {
        if (listed.count(point.updateId)) return;
        UpdateDetails update;
        if (!catalog_.Update(point.updateId, update)) return;
        listed.insert(point.updateId);
        BulletinDetails bulletin;
        catalog_.Bulletin(point.securityBulletinId, bulletin);
        DetailsRow row;
        row.kind = kRowUpdate;
        row.cells.push_back(Plain(std::to_string(rows.size() + 1)));
        row.cells.push_back(Plain(update.title));
        row.cells.push_back(Plain(bulletin.name));
        rows.push_back(std::move(row));
    };
    WalkPoints(record.updatePoints, visit);
    return rows;
}

bool DetailsPageBuilder::General(const UpdateRecord& record, size_t vulnerabilityRows,
                                 std::vector<DetailsRow>& rows) const {
    UpdateDetails update;
    if (!catalog_.Update(record.id, update)) return false;
    const UpdatePoint* first = record.updatePoints.empty() ? nullptr : &record.updatePoints[0];
    BulletinDetails bulletin;
    if (first) catalog_.Bulletin(first->securityBulletinId, bulletin);

    std::vector<DetailsCell> values(kGeneralRowCount);
    values[kRowTitle] = Plain(update.title);
    values[kRowFileName] = Plain(LastPathSegment(update.downloadAddress));
    StatusLook look = DetailsStatusLook(record.status);
    values[kRowStatus] = Plain(look.text ? text_(look.text) : std::string());
    values[kRowStatus].colored = look.colored;
    values[kRowStatus].color = look.color;
    if (first) values[kRowSeverity] = Plain(catalog_.SeverityName(first->severityRating));
    values[kRowBulletin] = Link(bulletin.name, kValueFont, bulletin.webPage, bulletin.id);
    values[kRowKnowledgeBase] = Plain(JoinArticles(bulletin.knowledgeBase));
    values[kRowSize] = Plain(FormatSize(static_cast<int32_t>(
        std::min<uint64_t>(update.size, static_cast<uint64_t>(INT32_MAX)))));
    values[kRowLanguage] = Plain(update.language);
    values[kRowReboot] = Plain(text_(RebootTextName(record.status, update.rebootBehavior)));
    values[kRowPublished] = Plain(bulletin.published ? FormatDate(bulletin.published) : "");
    values[kRowPublisher] = Plain(bulletin.publisher);
    values[kRowAddress] = Link(update.downloadAddress, kValueFont, update.downloadAddress);
    values[kRowBrief] = Plain(bulletin.brief);
    values[kRowFixCount] = Plain(std::to_string(vulnerabilityRows));
    values[kRowImpact] = Plain(bulletin.impact);
    if (first) values[kRowSoftware] = Plain(catalog_.SoftwareName(first->impactedSoftwareId));
    if (first && first->impactedComponentId >= 1)
        values[kRowComponent] = Plain(catalog_.SoftwareName(first->impactedComponentId));
    values[kRowRecommendation] = Plain(bulletin.recommendation);
    values[kRowDescription] = Link(text_("rns_dbclk_view_description"), kValueFont, "");

    rows.assign(kGeneralRowCount, DetailsRow());
    for (int i = 0; i < kGeneralRowCount; ++i) {
        rows[i].kind = kRowProperty;
        rows[i].cells.push_back(Plain(text_(kGeneralRowNames[i]), kNameFont));
        rows[i].cells.push_back(std::move(values[i]));
    }
    rows[kRowDescription].children =
        WrapDescription(bulletin.description, descriptionWidth_, breaker_, kRowDescriptionLine,
                        kRowParagraphEnd, true);
    return true;
}

}  // namespace zema
