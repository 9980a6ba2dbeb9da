#pragma once
// The rows of the result view's two lists, built from the session's records
// into TreeNodes, and the commands that walk the checked rows. No window
// code: the view mirrors the nodes into its lists.

#include <cstdint>
#include <string>
#include <vector>

#include "zema/core/app_services.h"
#include "zema/ui/models/result_source.h"
#include "zema/ui/toolkit/tree_nodes.h"

namespace zema {

// Update list columns.
enum UpdateColumn {
    kColumnTitle = 0,
    kColumnBulletin = 1,
    kColumnSeverity = 2,
    kColumnSize = 3,
    kColumnDate = 4,
    kColumnStatus = 5,
    kUpdateColumnCount = 6,
};

// Vulnerability list columns.
enum VulnerabilityColumn {
    kColumnCveId = 0,
    kColumnVulnBulletin = 1,
    kColumnUpdateTitle = 2,
    kColumnRepairStatus = 3,
    kVulnerabilityColumnCount = 4,
};

// Column 0 keys of update list rows.
constexpr int32_t kRowKindUpdate = 1;
constexpr int32_t kRowKindGroup = 2;

// Severity ratings 1 to this one are drawn as a meter.
constexpr int32_t kMaxMeterSeverity = 4;

// The caller value of the group that gathers records whose group key names
// no group of the session's set, so that every record stays visible.
constexpr LPARAM kOtherGroup = static_cast<LPARAM>(INT32_MIN) - 1;

class ResultRows {
public:
    ResultRows(const UpdateSession& session, const ResultSource& source, const SkinLookup& skin)
        : session_(session), source_(source), skin_(skin) {}

    // Rebuilds the update list: groups expanded, every row checked.
    void FillUpdates(TreeNodes& nodes, ShowBy by) const;
    void FillVulnerabilities(TreeNodes& nodes) const;

    // The status cell (column 5) and the progress key (column 4) of a row.
    void ApplyStatus(TreeNode& node, const UpdateRecord& record) const;
    // The repair status cell of a vulnerability row.
    void ApplyRepairStatus(TreeNode& node) const;

    static bool IsGroupRow(const TreeNode& node) { return node.cells[0].key == kRowKindGroup; }
    static UpdateRecord* RecordOf(const TreeNode& node) {
        return node.cells[0].key == kRowKindUpdate ? reinterpret_cast<UpdateRecord*>(node.value)
                                                   : nullptr;
    }
    // The records of the checked update rows, in row order.
    static std::vector<UpdateRecord*> CheckedRecords(const TreeNodes& nodes, ShowBy by);
    // The group key of a record under a grouping; false when it has none.
    bool GroupKey(const UpdateRecord& record, ShowBy by, int32_t& key) const;

private:
    void FillUpdateRow(TreeNode& node, UpdateRecord& record) const;
    UpdateRecord* FindRecord(int32_t updateId) const;

    const UpdateSession& session_;
    const ResultSource& source_;
    const SkinLookup& skin_;
};

// The commands of the result view, on the records of checked rows.
// Excluded records are never downloaded or installed.
void RepairRecords(UpdateSession& session, const std::vector<UpdateRecord*>& records);
void DownloadRecords(UpdateSession& session, const std::vector<UpdateRecord*>& records);
void StopRecords(UpdateSession& session, const std::vector<UpdateRecord*>& records);

// Which controls of the result view are shown and enabled.
struct ResultControlStates {
    bool updateListShown = true;
    bool vulnerabilityListShown = false;
    bool showByShown = true;  // the combo box and its label
    bool showByEnabled = false;
    bool scanShown = true;
    bool scanEnabled = false;
    bool stopShown = false;
    bool stopEnabled = false;
    bool repairEnabled = false;
    bool selectAllEnabled = false;
    bool expandAllEnabled = false;
};

struct ResultActivity {
    int tab = 0;
    bool scanning = false;
    bool workActive = false;  // downloads or installations
    bool hasRows = false;     // the update list
    ShowBy showBy = ShowBy::Nothing;
};

ResultControlStates ComputeControlStates(const ResultActivity& activity);

}  // namespace zema
