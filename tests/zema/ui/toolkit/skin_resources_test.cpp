#include "zema/ui/toolkit/skin_resources.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <regex>
#include <utility>

#include "tests/support/test_support.h"
#include "tests/zema/ui/toolkit/skin_test_files.h"
#include "win/com.h"
#include "win/unique_handle.h"
#include "zema/ui/toolkit/dialog.h"
#include "zema/ui/toolkit/skin_values.h"

namespace {

using zema::ParseSkinColor;
using zema::ParseSkinNumber;
using zema_tests::SkinFolder;

TEST(SkinValues, ColourTextKeepsTheStoredFormatsQuirks) {
    EXPECT_EQ(RGB(0, 128, 255), ParseSkinColor("RGB(0,128,255)"));
    EXPECT_EQ(RGB(1, 2, 3), ParseSkinColor("rgb(1,2,3)"));
    EXPECT_EQ(RGB(1, 2, 3), ParseSkinColor("RGB( 1, 2,3"));   // no closing parenthesis
    EXPECT_EQ(RGB(10, 20, 0), ParseSkinColor("RGB(10,20)"));  // unread components stay 0
    EXPECT_EQ(0u, ParseSkinColor("(1,2,3)"));                 // the prefix may not be empty
    EXPECT_EQ(0u, ParseSkinColor("RGB(256,0,0)"));            // low byte only
    EXPECT_EQ(RGB(255, 0, 0), ParseSkinColor("RGB(-1,0,0)"));
    EXPECT_EQ(0u, ParseSkinColor("R'GB(1,2,3)"));
    EXPECT_EQ(RGB(4, 5, 6), ParseSkinColor(std::string(28, 'x') + "(4,5,6)"));
    EXPECT_EQ(0u, ParseSkinColor(std::string(29, 'x') + "(4,5,6)"));
    EXPECT_EQ(0u, ParseSkinColor(std::string(10000, 'x')));
    EXPECT_EQ(0u, ParseSkinColor(""));
}

TEST(SkinValues, NumberTextIsReadLikeStrtolAndClamped) {
    EXPECT_EQ(-12, ParseSkinNumber("  -12px"));
    EXPECT_EQ(0, ParseSkinNumber("px"));
    EXPECT_EQ(7, ParseSkinNumber("+7"));
    EXPECT_EQ(INT_MAX, ParseSkinNumber("99999999999999999999"));
    EXPECT_EQ(INT_MIN, ParseSkinNumber("-99999999999999999999"));
    EXPECT_EQ(0, ParseSkinNumber(""));
}

TEST(SkinValues, FormatConversionsNameWhatTheArgumentsMustBe) {
    EXPECT_EQ("%d%s", zema::FormatConversions("%d of %s, 100%%"));
    EXPECT_EQ("%f", zema::FormatConversions("%-5.2f"));
    EXPECT_EQ("%d%I64d", zema::FormatConversions("%i %I64d"));
    EXPECT_EQ("?", zema::FormatConversions("%*d"));
    EXPECT_EQ("?", zema::FormatConversions("%n"));
    EXPECT_EQ("?", zema::FormatConversions("50%"));
}

TEST(SkinResources, LookupsTakeTheFirstEntryOfTheirOwnTable) {
    SkinFolder folder;
    ASSERT_TRUE(folder.Load(
        "<StringTable><String name='rns_a'>first</String><String name='rns_a'>second</String>"
        "<String name='rnc_x'>RGB(9,9,9)</String><String name='rns_empty'></String></StringTable>"
        "<Deep><ColorTable><Color name='rnc_x'>RGB(0,128,255)</Color></ColorTable></Deep>"
        "<NumberTable><Number name='rnn_n'>  -12px</Number><Number name='rnn_l'>ab</Number>"
        "</NumberTable>"));
    const zema::SkinResources& skin = folder.skin();
    EXPECT_EQ("first", skin.GetString("rns_a"));
    EXPECT_EQ(RGB(0, 128, 255), skin.GetColor("rnc_x"));
    EXPECT_EQ(-12, skin.GetNumber("rnn_n"));
    EXPECT_EQ(0, skin.GetNumber("rnn_l"));
    EXPECT_EQ("", skin.GetString("rns_empty"));
    EXPECT_EQ("", skin.GetString("rns_missing"));
    EXPECT_EQ(0u, skin.GetColor("rnc_missing"));
    // A name that would break out of the query finds nothing.
    EXPECT_EQ("", skin.GetString("rns_a' or '1'='1"));
    EXPECT_EQ(zema::SkinResources::Current(), &skin);
}

TEST(SkinResources, FontsFillTheLogicalFontFieldByField) {
    SkinFolder folder;
    std::string longFace(40, 'F');
    ASSERT_TRUE(folder.Load(
        "<FontTable><Font name='rnf_a' height='-12' width='0' escapement='0' orientation='0' "
        "weight='700' italic='257' underline='1' strikeout='0' charset='0' outprecision='0' "
        "clipprecision='0' quality='5' pitchandfamily='34' facename='" + longFace + "'/>"
        "<Font name='rnf_b' height='x' width='0' escapement='0' orientation='0' weight='400' "
        "italic='0' underline='0' strikeout='0' charset='0' outprecision='0' clipprecision='0' "
        "quality='0' pitchandfamily='0' facename='Tahoma'/>"
        "<Font name='rnf_c' height='99999999999' width='0' escapement='0' orientation='0' "
        "weight='400' italic='0' underline='0' strikeout='0' charset='0' outprecision='0' "
        "clipprecision='0' quality='0' pitchandfamily='0' facename='Tahoma'/></FontTable>"));
    win::Font font(folder.skin().GetFont("rnf_a"));
    ASSERT_TRUE(font);
    LOGFONTA logical = {};
    ASSERT_TRUE(::GetObjectA(font.Get(), sizeof(logical), &logical));
    EXPECT_EQ(-12, logical.lfHeight);
    EXPECT_EQ(700, logical.lfWeight);
    EXPECT_EQ(1, logical.lfItalic);  // the low byte of 257
    EXPECT_EQ(1, logical.lfUnderline);
    EXPECT_EQ(34, logical.lfPitchAndFamily);
    EXPECT_EQ(std::string(31, 'F'), logical.lfFaceName);
    EXPECT_EQ(nullptr, folder.skin().GetFont("rnf_b"));  // not a number
    EXPECT_EQ(nullptr, folder.skin().GetFont("rnf_c"));  // beyond 32 bits
    EXPECT_EQ(nullptr, folder.skin().GetFont("rnf_missing"));
}

TEST(SkinResources, ImagesLoadFromTheInstallationFolderAndItsSubFolders) {
    SkinFolder folder;
    ::CreateDirectoryA(folder.File("pictures").c_str(), nullptr);
    zema_tests::WriteSolidBitmap(folder.File("pictures\\solid.bmp"), 7, 5, RGB(1, 2, 3));
    testing_support::WriteFileBytes(folder.File("pictures\\fake.bmp"), "this is not a bitmap");
    ASSERT_TRUE(folder.Load(
        "<BitmapTable><Bitmap name='rnb_ok' file='pictures\\solid.bmp'/>"
        "<Bitmap name='rnb_fake' file='pictures\\fake.bmp'/>"
        "<Bitmap name='rnb_gone' file='pictures\\gone.bmp'/><Bitmap name='rnb_nofile'/>"
        "</BitmapTable><IconTable><Icon name='rni_nosize' file='pictures\\solid.bmp'/>"
        "<Icon name='rni_huge' file='pictures\\solid.bmp' cx='100000' cy='100000'/>"
        "</IconTable>"));
    win::Bitmap bitmap(folder.skin().GetBitmap("rnb_ok"));
    ASSERT_TRUE(bitmap);
    BITMAP info = {};
    ::GetObjectA(bitmap.Get(), sizeof(info), &info);
    EXPECT_EQ(7, info.bmWidth);
    EXPECT_EQ(5, info.bmHeight);
    EXPECT_EQ(nullptr, folder.skin().GetBitmap("rnb_fake"));
    EXPECT_EQ(nullptr, folder.skin().GetBitmap("rnb_gone"));
    EXPECT_EQ(nullptr, folder.skin().GetBitmap("rnb_nofile"));
    EXPECT_EQ(nullptr, folder.skin().GetIcon("rni_nosize"));
    EXPECT_EQ(nullptr, folder.skin().GetIcon("rni_huge"));
}

TEST(SkinResources, AMalformedOrMissingFileFailsToLoadAndAnswersDefaults) {
    SkinFolder folder;
    EXPECT_FALSE(folder.Load("<StringTable><String name='rns_a'>x</String>"));  // unclosed
    EXPECT_FALSE(folder.skin().IsLoaded());
    EXPECT_EQ("", folder.skin().GetString("rns_a"));
    zema::SkinResources missing;
    EXPECT_FALSE(missing.Load(folder.File("nothing-here\\res.xml")));
}

TEST(SkinResources, FormatTrustsOnlyTextsThatTakeWhatTheCallerPasses) {
    SkinFolder folder;
    std::string huge(10000, 'z');
    ASSERT_TRUE(folder.Load(
        "<StringTable><String name='rns_two'>%d of %d repaired</String>"
        "<String name='rns_evil'>%s%s%s%n</String><String name='rns_huge'>" + huge +
        "</String></StringTable>"));
    EXPECT_EQ("3 of 7 repaired", folder.skin().Format("rns_two", "%d%d", 3, 7));
    EXPECT_EQ("%s%s%s%n", folder.skin().Format("rns_evil", "%d", 1));
    EXPECT_EQ("%d of %d repaired", folder.skin().Format("rns_two", "%d", 1));
    EXPECT_EQ(huge, folder.skin().Format("rns_huge", ""));
}

TEST(SkinResources, ControlTextMapsSetEveryCaptionInOrder) {
    SkinFolder folder;
    ASSERT_TRUE(folder.Load("<StringTable><String name='rns_idok'>OK</String></StringTable>"));
    zema::DialogTemplate layout(WS_POPUP, 0, 0, 100, 50, "");
    layout.PushButton(IDOK, "before", 5, 5, 40, 14).Label(100, "before", 5, 25, 40, 10);
    struct Plain : zema::Dialog {};
    Plain dialog;
    ASSERT_TRUE(dialog.Create(nullptr, layout));
    static const zema::ControlText map[] = {{IDOK, "rns_idok"}, {100, "rns_nothing"}, {-1, nullptr}};
    folder.skin().ApplyControlTexts(dialog.hwnd(), map);
    char text[32];
    ::GetDlgItemTextA(dialog.hwnd(), IDOK, text, sizeof(text));
    EXPECT_STREQ("OK", text);
    ::GetDlgItemTextA(dialog.hwnd(), 100, text, sizeof(text));
    EXPECT_STREQ("", text);
}

// The shipped skin: every picture it names is a file the Windows loaders
// read, and caption images have the size the frame's image list takes.
TEST(DefaultSkin, EveryNamedImageLoads) {
    win::ComInit com;
    std::string path = testing_support::BinaryFolder() + "\\..\\skin\\res.xml";
    zema::SkinResources skin;
    ASSERT_TRUE(skin.Load(path));
    std::string text = testing_support::ReadFileBytes(path);
    std::regex entry("name=\"(rn[bi]_[a-z0-9_]+)\"");
    int images = 0;
    for (std::sregex_iterator it(text.begin(), text.end(), entry), end; it != end; ++it) {
        std::string name = (*it)[1];
        if (name.compare(0, 4, "rnb_") == 0) {
            win::Bitmap bitmap(skin.GetBitmap(name));
            EXPECT_TRUE(bitmap) << name;
            BITMAP info = {};
            ::GetObjectA(bitmap.Get(), sizeof(info), &info);
            if (name.find("button_") != std::string::npos) {
                EXPECT_EQ(29, info.bmWidth) << name;
                EXPECT_EQ(18, info.bmHeight) << name;
            }
        } else {
            win::Icon icon(skin.GetIcon(name));
            EXPECT_TRUE(icon) << name;
        }
        ++images;
    }
    EXPECT_EQ(18 + 36, images);
}

// A window at 150 or 200 % asks for the skin's pictures and fonts at that
// scale: the drawings made for it, a smooth reduction of the next larger
// one between them, and fonts and icons at the scaled size.
TEST(DefaultSkin, GivesImagesAndFontsAtTheScaleAsked) {
    win::ComInit com;
    zema::SkinResources skin;
    ASSERT_TRUE(skin.Load(testing_support::BinaryFolder() + "\\..\\skin\\res.xml"));
    auto bitmapSize = [&](UINT dpi) {
        win::Bitmap bitmap(skin.GetBitmap("rnb_closebutton_normal", dpi));
        BITMAP info = {};
        ::GetObjectA(bitmap.Get(), sizeof(info), &info);
        return std::make_pair(info.bmWidth, info.bmHeight);
    };
    EXPECT_EQ(std::make_pair(29L, 18L), bitmapSize(96));
    EXPECT_EQ(std::make_pair(44L, 27L), bitmapSize(144));   // close_normal_150.bmp
    EXPECT_EQ(std::make_pair(58L, 36L), bitmapSize(192));   // close_normal_200.bmp
    EXPECT_EQ(std::make_pair(37L, 23L), bitmapSize(120));   // 125 %: the 150 % one reduced
    EXPECT_EQ(std::make_pair(73L, 45L), bitmapSize(240));   // 250 %: the 100 % one enlarged

    auto iconSize = [&](UINT dpi) {
        win::Icon icon(skin.GetIcon("rni_checked", dpi));
        ICONINFO info = {};
        if (!icon || !::GetIconInfo(icon.Get(), &info)) return 0L;
        BITMAP mask = {};
        ::GetObjectA(info.hbmMask, sizeof(mask), &mask);
        ::DeleteObject(info.hbmMask);
        if (info.hbmColor) ::DeleteObject(info.hbmColor);
        return mask.bmWidth;
    };
    EXPECT_EQ(16, iconSize(96));
    EXPECT_EQ(24, iconSize(144));
    EXPECT_EQ(32, iconSize(192));

    win::Font font(skin.GetFont("rnf_result_title", 144));
    LOGFONTA scaled = {};
    ASSERT_TRUE(::GetObjectA(font.Get(), sizeof(scaled), &scaled));
    EXPECT_EQ(-24, scaled.lfHeight);  // -16 at 96 DPI
    EXPECT_EQ(FW_BOLD, scaled.lfWeight);
}

// The band formats these with names it picks at run time, which the build's
// name check cannot follow to their arguments.
TEST(DefaultSkin, TheBandsCountedTextsTakeWhatThePanelPasses) {
    win::ComInit com;
    zema::SkinResources skin;
    ASSERT_TRUE(skin.Load(testing_support::BinaryFolder() + "\\..\\skin\\res.xml"));
    for (const char* name : {"rns_result_summary_serious", "rns_result_summary_serious_one",
                             "rns_result_summary_serious_one_vuln",
                             "rns_result_summary_serious_one_update"})
        EXPECT_EQ("%d%d", zema::FormatConversions(skin.GetString(name))) << name;
    for (const char* name : {"rns_result_summary_restart", "rns_result_summary_restart_one"})
        EXPECT_EQ("%d", zema::FormatConversions(skin.GetString(name))) << name;
}

}  // namespace
