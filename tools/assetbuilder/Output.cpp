#include "Output.h"

#include "platform/OutputFile.h"

#include <filesystem>
#include <system_error>

using namespace brindlemox::platform;

namespace assets {

Result<void> writeOutput(const std::string& path, const std::string& bytes) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (!folder.empty())
        std::filesystem::create_directories(folder, error);
    if (error)
        return fail("cannot write " + path + ": " + error.message());
    const std::string why = outputfile::writeWhole(path, bytes);
    if (!why.empty())
        return fail("cannot write " + path + ": " + why);
    return {};
}

} // namespace assets
