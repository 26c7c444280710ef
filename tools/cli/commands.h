#pragma once
// The commands of cantavo-cli. Each returns the process exit status: 0 only on success.

#include <filesystem>
#include <string>

#include "host/program_main.h"

namespace cantavo::cli {

struct HandsetOptions {
    std::string port;              // device path, or COMn
    double timeoutSeconds = 10;    // detection tries once a second until then
    std::filesystem::path loader;  // the handset's loader file; empty: the profile's, then the data folder's
    bool stats = false;            // timing lines for the benchmark
};

int ReadHandset(const HandsetOptions& options, const std::filesystem::path& backup);
int WriteHandset(const HandsetOptions& options, const std::filesystem::path& backup);

// One port a line: its stable name with the kernel name beside it, or the kernel's device.
int ListPorts();

int ListImage(const std::filesystem::path& image);
// `force`: insert a file that is not SMAF too.
int InsertIntoImage(const std::filesystem::path& image, const std::string& slot,
                    const std::filesystem::path& melody, bool force);
int ExtractFromImage(const std::filesystem::path& image, const std::string& slot,
                     const std::filesystem::path& out);

}  // namespace cantavo::cli
