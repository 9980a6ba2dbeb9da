#pragma once
// The rows of the details dialog's three pages, built from one update record
// and the catalogue. No window code: the dialog hands in a line breaker (its
// hidden edit control) and puts the rows into its lists.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "zema/core/catalog_facts.h"
#include "zema/core/update_record.h"

namespace zema {

// How a row is drawn.
enum DetailsRowKind {
    kRowProperty = 0,
    kRowDescriptionLine = 1,
    kRowParagraphEnd = 2,
    kRowBlankOrVulnerability = 3,  // empty row after a paragraph, or a vulnerability
    kRowVulnParagraphEnd = 4,
    kRowUpdate = 5,
};

// Cell font indexes into the list's two fonts.
constexpr int kListFont = -1;  // the list's own font
constexpr int kNameFont = 0;
constexpr int kValueFont = 1;

constexpr COLORREF kLinkColor = RGB(0, 0, 255);

struct DetailsCell {
    std::string text;
    int font = kListFont;
    bool colored = false;
    COLORREF color = RGB(0, 0, 0);
    int32_t key = 0;
    std::string link;  // opened with the shell on a click on the text; empty: not a link
};

struct DetailsRow {
    int kind = kRowProperty;
    std::vector<DetailsCell> cells;
    std::vector<DetailsRow> children;
};

// General page rows, in order.
enum GeneralRow {
    kRowTitle, kRowFileName, kRowStatus, kRowSeverity, kRowBulletin, kRowKnowledgeBase,
    kRowSize, kRowLanguage, kRowReboot, kRowPublished, kRowPublisher, kRowAddress,
    kRowBrief, kRowFixCount, kRowImpact, kRowSoftware, kRowComponent, kRowRecommendation,
    kRowDescription, kGeneralRowCount
};

// Skin names of the general page's property names, by row.
extern const char* const kGeneralRowNames[kGeneralRowCount];

// Skin text by entry name; empty when the skin lacks it.
using SkinText = std::function<std::string(const char* name)>;

// Lines of one paragraph as a control `width` pixels wide breaks them.
using LineBreaker = std::function<std::vector<std::string>(const std::string& paragraph, int width)>;

// Trimmed paragraphs of a "\r\n"-separated text; empty ones dropped.
std::vector<std::string> SplitParagraphs(const std::string& text);

// Child rows of a description: each line a row of `lineKind` (text in column
// 0), the last line of each paragraph of `lastKind`, and after each
// paragraph an empty row of kind 3 when `blankAfterParagraph`.
std::vector<DetailsRow> WrapDescription(const std::string& text, int width,
                                        const LineBreaker& breaker, int lineKind, int lastKind,
                                        bool blankAfterParagraph);

// The status text's skin name and colour (black when `colored` is false).
struct StatusLook {
    const char* text;  // null: no text
    bool colored;
    COLORREF color;
};
StatusLook DetailsStatusLook(UpdateStatus status);
const char* RebootTextName(UpdateStatus status, int32_t rebootBehavior);

// The public CVE lookup page of one identifier.
std::string CveLookupAddress(const std::string& cveId);

struct DetailsPages {
    bool generalKnown = false;  // false: the catalogue lacks the update; keep the old page
    std::vector<DetailsRow> general;
    std::vector<DetailsRow> updates;
    std::vector<DetailsRow> vulnerabilities;
};

class DetailsPageBuilder {
public:
    DetailsPageBuilder(const CatalogFacts& catalog, SkinText text, LineBreaker breaker,
                       int descriptionWidth);

    DetailsPages Build(const UpdateRecord& record) const;

    std::vector<DetailsRow> Vulnerabilities(const UpdateRecord& record) const;
    std::vector<DetailsRow> Updates(const UpdateRecord& record) const;
    // False when the catalogue does not know the record's update.
    bool General(const UpdateRecord& record, size_t vulnerabilityRows,
                 std::vector<DetailsRow>& rows) const;

private:
    const CatalogFacts& catalog_;
    SkinText text_;
    LineBreaker breaker_;
    int descriptionWidth_;
};

}  // namespace zema
