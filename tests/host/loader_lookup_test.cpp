// The window and cantavo-cli look for the loader in one order: the option, the profile, the data folder.
#include "host/loader_lookup.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/transfer/temp_dir.h"

namespace cantavo {
namespace {

using testing::CTempDir;

class LoaderLookup : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1); }
    void TearDown() override { unsetenv("XDG_DATA_HOME"); }
    void Profile(const std::string& loaderPath) const {
        std::ofstream(profile) << "[Cantavo]\nLoaderPath=" << loaderPath << "\n";
    }
    void DataFolderLoader() const {
        std::filesystem::create_directories(folder / "data/cantavo");
        std::ofstream(folder / "data/cantavo/loader.ldr") << "x";
    }

    CTempDir folder;
    std::filesystem::path profile = folder / "cantavo.ini";
};

TEST_F(LoaderLookup, NothingFoundMeansTheBuiltInPlaceholder) {
    EXPECT_EQ(FindLoaderFile({}, profile), std::filesystem::path());
}

TEST_F(LoaderLookup, TheDataFolderHoldsTheLastChoice) {
    DataFolderLoader();
    EXPECT_EQ(FindLoaderFile({}, profile), folder / "data/cantavo/loader.ldr");
}

TEST_F(LoaderLookup, TheProfileComesBeforeTheDataFolder) {
    DataFolderLoader();
    Profile("/opt/handset/loader.bin");
    EXPECT_EQ(FindLoaderFile({}, profile), "/opt/handset/loader.bin");
}

TEST_F(LoaderLookup, TheOptionComesFirst) {
    DataFolderLoader();
    Profile("/opt/handset/loader.bin");
    EXPECT_EQ(FindLoaderFile("/given.ldr", profile), "/given.ldr");
}

}  // namespace
}  // namespace cantavo
