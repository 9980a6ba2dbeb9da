#include "zema/ui/models/result_rows.h"

#include <cstdio>
#include <unordered_map>

#include "zema/core/system_utils.h"
#include "zema/ui/models/status_cell.h"

namespace zema {
namespace {

constexpr COLORREF kBulletinLinkColour = RGB(0, 0, 255);
constexpr float kProgressKeyScale = 1000.0f;

std::string GroupTitle(const std::string& name, int children) {
    char count[32];
    std::snprintf(count, sizeof(count), " (%d)", children);
    return name + count;
}

int CountChildren(const TreeNode& node) {
    int count = 0;
    for (const TreeNode* child = node.firstChild; child; child = child->next) ++count;
    return count;
}

const std::vector<int32_t>* GroupSet(const GroupingSets& groups, ShowBy by) {
    switch (by) {
    case ShowBy::Product: return &groups.products;
    case ShowBy::Severity: return &groups.severities;
    case ShowBy::Impact: return &groups.impacts;
    case ShowBy::Language: return &groups.languages;
    default: return nullptr;
    }
}

}  // namespace

bool ResultRows::GroupKey(const UpdateRecord& record, ShowBy by, int32_t& key) const {
    if (by == ShowBy::Language) {
        UpdateFacts facts = source_.Update(record.id);
        key = facts.language;
        return facts.known;
    }
    if (record.updatePoints.empty()) return false;
    const UpdatePoint& first = record.updatePoints.front();
    switch (by) {
    case ShowBy::Product:
        if (first.categoryIds.empty()) return false;
        key = first.categoryIds.front();
        return true;
    case ShowBy::Severity:
        key = first.severityRating;
        return true;
    case ShowBy::Impact: {
        BulletinFacts bulletin = source_.Bulletin(first.securityBulletinId);
        key = bulletin.impact;
        return bulletin.known;
    }
    default:
        return false;
    }
}

void ResultRows::FillUpdates(TreeNodes& nodes, ShowBy by) const {
    nodes.Clear();
    nodes.SetColumnCount(kUpdateColumnCount);
    const std::vector<int32_t>* set = GroupSet(source_.Groups(), by);
    if (!set) {
        for (const auto& record : session_.Updates()) {
            TreeNode* node = nodes.Insert(nullptr, std::string());
            FillUpdateRow(*node, *record);
        }
        return;
    }

    std::vector<TreeNode*> groups;
    std::unordered_map<int32_t, TreeNode*> byKey;
    auto addGroup = [&](const std::string& name, LPARAM value) {
        TreeNode* group = nodes.Insert(nullptr, name);
        group->cells[0].key = kRowKindGroup;
        group->cells[0].image = kImageCategory;
        group->value = value;
        group->checked = true;
        groups.push_back(group);
        return group;
    };
    for (int32_t id : *set) {
        if (byKey.count(id)) continue;
        byKey[id] = addGroup(source_.GroupName(by, id), id);
    }
    TreeNode* other = nullptr;
    for (const auto& record : session_.Updates()) {
        int32_t key = 0;
        TreeNode* group = nullptr;
        if (GroupKey(*record, by, key)) {
            auto it = byKey.find(key);
            if (it != byKey.end()) group = it->second;
        }
        if (!group) {
            if (!other) other = addGroup(skin_.String("rns_unknown"), kOtherGroup);
            group = other;
        }
        FillUpdateRow(*nodes.Insert(group, std::string()), *record);
    }
    for (TreeNode* group : groups) {
        group->cells[0].text = GroupTitle(group->cells[0].text, CountChildren(*group));
        nodes.Expand(group);
    }
}

void ResultRows::FillUpdateRow(TreeNode& node, UpdateRecord& record) const {
    UpdateFacts update = source_.Update(record.id);
    BulletinFacts bulletin;
    if (!record.updatePoints.empty())
        bulletin = source_.Bulletin(record.updatePoints.front().securityBulletinId);
    node.value = reinterpret_cast<LPARAM>(&record);
    node.checked = true;
    std::vector<TreeCell>& cells = node.cells;
    cells[kColumnTitle].text = update.title;
    cells[kColumnTitle].image = kImageUpdate;
    cells[kColumnTitle].key = kRowKindUpdate;
    cells[kColumnBulletin].text = bulletin.name;
    cells[kColumnSeverity].key =
        record.updatePoints.empty() ? 0 : record.updatePoints.front().severityRating;
    // The meter's text equivalent: what a screen reader reads of the cell
    // (the meter is drawn in its place).
    if (cells[kColumnSeverity].key >= 1 && cells[kColumnSeverity].key <= kMaxMeterSeverity)
        cells[kColumnSeverity].text = source_.GroupName(ShowBy::Severity, cells[kColumnSeverity].key);
    if (update.known)
        cells[kColumnSize].text =
            FormatSize(static_cast<int32_t>(std::min<uint64_t>(update.size, INT32_MAX)));
    cells[kColumnDate].text = bulletin.known ? FormatDate(bulletin.date) : std::string();

    COLORREF title = skin_.Colour(record.excluded ? "rnc_disable" : "rnc_update_title");
    cells[kColumnTitle].color = title;
    cells[kColumnBulletin].color =
        record.excluded ? title : skin_.Colour("rnc_bulletin_name");
    cells[kColumnSize].color = title;
    cells[kColumnDate].color = title;
    ApplyStatus(node, record);
}

void ResultRows::ApplyStatus(TreeNode& node, const UpdateRecord& record) const {
    StatusLook look = UpdateStatusLook(record);
    TreeCell& cell = node.cells[kColumnStatus];
    cell.text = look.text ? skin_.String(look.text) : std::string();
    cell.color = look.colour ? skin_.Colour(look.colour) : RGB(0, 0, 0);
    // The installing animation owns the image while it runs.
    if (!(record.status == UpdateStatus::Installing && cell.image >= kImageFirstFrame))
        cell.image = look.image;
    cell.key = static_cast<int32_t>(record.status);
    node.cells[kColumnDate].key = static_cast<int32_t>(record.percent * kProgressKeyScale);
}

UpdateRecord* ResultRows::FindRecord(int32_t updateId) const {
    for (const auto& record : session_.Updates())
        if (record->id == updateId) return record.get();
    return nullptr;
}

void ResultRows::FillVulnerabilities(TreeNodes& nodes) const {
    nodes.Clear();
    nodes.SetColumnCount(kVulnerabilityColumnCount);
    const auto& entries = source_.Vulnerabilities();
    std::unordered_map<int32_t, UpdateRecord*> records;
    for (const auto& record : session_.Updates()) records.emplace(record->id, record.get());
    for (size_t i = 0; i < entries.size(); ++i) {
        const VulnerabilityEntry& entry = entries[i];
        std::string name;
        if (!source_.VulnerabilityName(entry.vulnerabilityId, name)) continue;
        TreeNode* node = nodes.Insert(nullptr, name);
        node->value = static_cast<LPARAM>(i);
        node->cells[kColumnCveId].image = kVulnImageVuln;
        node->cells[kColumnCveId].key = entry.updateId;
        node->cells[kColumnVulnBulletin].text = source_.Bulletin(entry.bulletinId).name;
        node->cells[kColumnVulnBulletin].color = kBulletinLinkColour;
        node->cells[kColumnUpdateTitle].text = source_.Update(entry.updateId).title;
        ApplyRepairStatus(*node);
    }
}

void ResultRows::ApplyRepairStatus(TreeNode& node) const {
    UpdateRecord* record = FindRecord(node.cells[kColumnCveId].key);
    StatusLook look = RepairStatusLook(record ? record->status : UpdateStatus::None);
    TreeCell& cell = node.cells[kColumnRepairStatus];
    cell.text = skin_.String(look.text);
    cell.color = skin_.Colour(look.colour);
    cell.image = look.image;
}

std::vector<UpdateRecord*> ResultRows::CheckedRecords(const TreeNodes& nodes, ShowBy by) {
    std::vector<UpdateRecord*> records;
    auto take = [&](const TreeNode* node) {
        UpdateRecord* record = RecordOf(*node);
        if (record && node->checked) records.push_back(record);
    };
    for (const TreeNode* top = nodes.FirstChild(nullptr); top; top = top->next) {
        if (by == ShowBy::Nothing) {
            take(top);
        } else {
            for (const TreeNode* child = top->firstChild; child; child = child->next) take(child);
        }
    }
    return records;
}

void RepairRecords(UpdateSession& session, const std::vector<UpdateRecord*>& records) {
    for (UpdateRecord* record : records) {
        if (record->excluded) continue;
        if (NeedsDownload(record->status)) {
            record->installAfterDownload = true;
            session.StartDownload(*record, false);
        } else if (IsInstallable(record->status)) {
            session.StartInstallation(*record);
        }
    }
}

void DownloadRecords(UpdateSession& session, const std::vector<UpdateRecord*>& records) {
    for (UpdateRecord* record : records)
        if (!record->excluded) session.StartDownload(*record, false);
}

void StopRecords(UpdateSession& session, const std::vector<UpdateRecord*>& records) {
    for (UpdateRecord* record : records) {
        session.CancelDownload(*record);
        session.CancelInstallation(*record);
    }
}

ResultControlStates ComputeControlStates(const ResultActivity& activity) {
    ResultControlStates s;
    bool updatesTab = activity.tab == 0;
    s.updateListShown = updatesTab;
    s.vulnerabilityListShown = !updatesTab;
    s.showByShown = updatesTab;
    s.stopShown = s.stopEnabled = activity.workActive;
    s.scanShown = !activity.workActive;
    s.scanEnabled = !activity.scanning && !activity.workActive;
    if (updatesTab && !activity.scanning && activity.hasRows) {
        s.repairEnabled = true;
        s.selectAllEnabled = true;
        s.expandAllEnabled = activity.showBy != ShowBy::Nothing;
        s.showByEnabled = !activity.workActive;
    }
    return s;
}

}  // namespace zema
