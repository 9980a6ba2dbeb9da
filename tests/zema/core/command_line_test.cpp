#include "zema/core/command_line.h"

#include <gtest/gtest.h>

namespace zema {
namespace {

TEST(CommandLine, FindsSwitchesInAnyCaseAndEitherForm) {
    EXPECT_TRUE(CommandLine("-tray").Tray());
    EXPECT_TRUE(CommandLine("/TRAY").Tray());
    EXPECT_TRUE(CommandLine("/TrAy").Tray());
    EXPECT_TRUE(CommandLine("-trayicon").Tray());  // part of a longer argument counts
    EXPECT_TRUE(CommandLine("x -Updated y").Updated());
    EXPECT_FALSE(CommandLine("tray").Tray());
    EXPECT_FALSE(CommandLine("").Tray());
    EXPECT_FALSE(CommandLine("-tray").Updated());
}

TEST(CommandLine, KeepsBothSwitchesTogether) {
    CommandLine both("/tray -UPDATED");
    EXPECT_TRUE(both.Tray());
    EXPECT_TRUE(both.Updated());
}

}  // namespace
}  // namespace zema
