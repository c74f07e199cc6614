#pragma once
// Why a server the tests start did not: the end of its log.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tagwright::test {

inline std::string LogTail(const std::filesystem::path& log) {
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    return all.size() > 2000 ? all.substr(all.size() - 2000) : all;
}

}  // namespace tagwright::test
