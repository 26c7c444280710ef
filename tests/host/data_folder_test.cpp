#include "host/data_folder.h"

#include <gtest/gtest.h>

#include "host/program_folder.h"

namespace cantavo {
namespace {

namespace fs = std::filesystem;

TEST(DataFolder, LiesWhereTheInstallPutsItBesideThePrograms) {
    EXPECT_EQ(DataFolderBeside(CANTAVO_INSTALL_BINDIR), fs::path(CANTAVO_INSTALL_DATA_DIR));
    // A tree moved elsewhere keeps the same layout.
    EXPECT_EQ(DataFolderBeside("/elsewhere" CANTAVO_INSTALL_BINDIR),
              fs::path("/elsewhere" CANTAVO_INSTALL_DATA_DIR));
    EXPECT_EQ(DataFolderBeside({}), fs::path());
}

TEST(DataFolder, TheBuildTreeIsLaidOutAsAnInstallation) {
    EXPECT_EQ(ProgramFolder(), fs::canonical(CANTAVO_PROGRAM_DIR));
    EXPECT_EQ(InstalledDataFolder(), fs::canonical(CANTAVO_BUILD_DATA_DIR));
    EXPECT_TRUE(fs::exists(DemoFolder() / "ode.mmf"));
    EXPECT_TRUE(fs::exists(InstalledDataFolder() / "placeholder.ldr"));
}

}  // namespace
}  // namespace cantavo
