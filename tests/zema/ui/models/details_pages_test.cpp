#include "zema/ui/models/details_pages.h"

#include <gtest/gtest.h>

#include <map>

namespace zema {
namespace {

class FakeCatalog : public CatalogFacts {
public:
    bool Update(int32_t id, UpdateDetails& facts) const override {
        auto found = updates.find(id);
        if (found == updates.end()) return false;
        facts = found->second;
        return true;
    }
    bool Bulletin(int32_t id, BulletinDetails& facts) const override {
        auto found = bulletins.find(id);
        if (found == bulletins.end()) return false;
        facts = found->second;
        return true;
    }
    std::string SeverityName(int32_t rating) const override {
        return "severity " + std::to_string(rating);
    }
    std::string SoftwareName(int32_t id) const override { return "software " + std::to_string(id); }

    std::map<int32_t, UpdateDetails> updates;
    std::map<int32_t, BulletinDetails> bulletins;
};

std::string Name(const char* name) { return name; }

// Two lines per paragraph: its first word, then the rest.
std::vector<std::string> BreakAfterFirstWord(const std::string& paragraph, int) {
    size_t blank = paragraph.find(' ');
    if (blank == std::string::npos) return {paragraph};
    return {paragraph.substr(0, blank), paragraph.substr(blank + 1)};
}

class DetailsPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        UpdateDetails newer;
        newer.title = "Newer update";
        newer.downloadAddress = "http://example.test/pkg\\newer-x64.exe";
        newer.rebootBehavior = 2;
        catalog.updates[100] = newer;
        UpdateDetails older;
        older.title = "Older update";
        catalog.updates[90] = older;

        BulletinDetails b1;
        b1.id = 1;
        b1.name = "ZB-1";
        b1.webPage = "http://example.test/zb-1";
        b1.knowledgeBase = {"KB1", "KB2"};
        b1.description = "  First paragraph here.\r\n\r\n   Second one\r\nThird para  ";
        b1.vulnerabilities = {{11, "CVE-2026-0011", "Shared flaw."},
                              {12, "CVE-2026-0012", "Only new."}};
        catalog.bulletins[1] = b1;
        BulletinDetails b2;
        b2.id = 2;
        b2.name = "ZB-2";
        b2.vulnerabilities = {{11, "CVE-2026-0011", "Shared flaw."},
                              {13, "CVE-2026-0013", "Old flaw.\r\nSecond part"}};
        catalog.bulletins[2] = b2;

        record.id = 100;
        record.status = UpdateStatus::Installed;
        UpdatePoint point;
        point.updateId = 100;
        point.securityBulletinId = 1;
        point.impactedComponentId = 0;
        UpdatePoint superseded;
        superseded.updateId = 90;
        superseded.securityBulletinId = 2;
        point.supersededPoints.push_back(superseded);
        record.updatePoints.push_back(point);
    }

    FakeCatalog catalog;
    UpdateRecord record;
    DetailsPageBuilder builder{catalog, &Name, &BreakAfterFirstWord, 400};
};

TEST_F(DetailsPagesTest, SupersededPointsShareVulnerabilitiesOnceAndCountThem) {
    DetailsPages pages = builder.Build(record);
    ASSERT_EQ(3u, pages.vulnerabilities.size());
    const char* expected[] = {"CVE-2026-0011", "CVE-2026-0012", "CVE-2026-0013"};
    for (size_t i = 0; i < 3; ++i) {
        const DetailsRow& row = pages.vulnerabilities[i];
        EXPECT_EQ(std::to_string(i + 1), row.cells[0].text);
        EXPECT_EQ(expected[i], row.cells[1].text);
        EXPECT_EQ(CveLookupAddress(expected[i]), row.cells[1].link);
    }
    EXPECT_EQ("ZB-2", pages.vulnerabilities[2].cells[2].text);
    // The vulnerability's description paragraphs end in rows of kind 4.
    ASSERT_EQ(4u, pages.vulnerabilities[2].children.size());
    EXPECT_EQ(kRowDescriptionLine, pages.vulnerabilities[2].children[0].kind);
    EXPECT_EQ(kRowVulnParagraphEnd, pages.vulnerabilities[2].children[1].kind);
    EXPECT_EQ(kRowVulnParagraphEnd, pages.vulnerabilities[2].children[3].kind);

    ASSERT_TRUE(pages.generalKnown);
    EXPECT_EQ("3", pages.general[kRowFixCount].cells[1].text);
    EXPECT_EQ("newer-x64.exe", pages.general[kRowFileName].cells[1].text);
    EXPECT_EQ("KB1;KB2", pages.general[kRowKnowledgeBase].cells[1].text);
    EXPECT_EQ("http://example.test/zb-1", pages.general[kRowBulletin].cells[1].link);
    EXPECT_EQ("", pages.general[kRowComponent].cells[1].text);

    ASSERT_EQ(2u, pages.updates.size());
    EXPECT_EQ("Older update", pages.updates[1].cells[1].text);
    EXPECT_EQ("ZB-2", pages.updates[1].cells[2].text);
}

TEST_F(DetailsPagesTest, DescriptionParagraphsBecomeLineGroupsEachFollowedByAnEmptyRow) {
    std::vector<DetailsRow> rows = builder.Build(record).general[kRowDescription].children;
    // "First paragraph here." -> 2 lines, "Second one" -> 2, "Third para" -> 2.
    const int kinds[] = {1, 2, 3, 1, 2, 3, 1, 2, 3};
    ASSERT_EQ(9u, rows.size());
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(kinds[i], rows[i].kind) << i;
    EXPECT_EQ("First", rows[0].cells[0].text);
    EXPECT_EQ("one", rows[4].cells[0].text);
    EXPECT_EQ("para", rows[7].cells[0].text);
    EXPECT_TRUE(rows[8].cells.empty());
}

TEST_F(DetailsPagesTest, RebootTextFollowsWhatHappenedBeforeTheCatalogue) {
    EXPECT_EQ("rns_reboot_never", builder.Build(record).general[kRowReboot].cells[1].text);
    record.status = UpdateStatus::InstalledNeedsReboot;
    EXPECT_EQ("rns_reboot_always", builder.Build(record).general[kRowReboot].cells[1].text);
    record.status = UpdateStatus::NotDownloaded;
    EXPECT_EQ("rns_reboot_always", builder.Build(record).general[kRowReboot].cells[1].text);
}

TEST_F(DetailsPagesTest, UnknownUpdateKeepsTheGeneralPageButListsItsPoints) {
    record.id = 555;
    DetailsPages pages = builder.Build(record);
    EXPECT_FALSE(pages.generalKnown);
    EXPECT_EQ(3u, pages.vulnerabilities.size());
}

}  // namespace
}  // namespace zema
