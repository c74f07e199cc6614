// Tagwright: the station program. Its options: --version, --help, and
// "--screenshots DIR", which renders pictures of the main window into DIR and
// ends. Anything else on the command line is ignored.

#include <cstdio>
#include <cstring>
#include <string>

#include "core/base/DataPaths.h"
#include "gui/main/Application.h"

#ifndef TAGWRIGHT_VERSION
#define TAGWRIGHT_VERSION "unknown"
#endif

namespace {

// The text in lines of at most `width` characters, each indented by two.
std::string Wrapped(const std::string& text, std::size_t width) {
    std::string out;
    std::string line;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            out += "  " + line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = end + 1;
    }
    if (!line.empty()) out += "  " + line + "\n";
    return out;
}

void PrintHelp(const tagwright::DataPaths& paths) {
    std::printf(
        "Usage: tagwright [--help | --version | --screenshots DIR]\n"
        "\n"
        "Programs multipage RFID transponders through a serial Reader and logs each\n"
        "one to a record file. The Reader's port and its settings are chosen in\n"
        "Interface > Settings.\n"
        "\n"
        "  --help             show this text and end\n"
        "  --version          show the version and end\n"
        "  --screenshots DIR  render pictures of the main window into DIR and end\n"
        "\n"
        "Where the files are:\n%s",
        Wrapped(tagwright::DescribeDataPaths(paths), 76).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tagwright %s\n", TAGWRIGHT_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintHelp(tagwright::SetUpDataPaths(false));
            return 0;
        }
    }
    tagwright::SetUpDataPaths();
    tagwright::gui::Application app(argc, argv);
    return app.Run();
}
