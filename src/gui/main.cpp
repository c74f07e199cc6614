// Tagwright: the station program. It takes no command-line options; only
// "--screenshots DIR" renders pictures of the main window into DIR and ends.

#include "gui/main/Application.h"

int main(int argc, char** argv) {
    tagwright::gui::Application app(argc, argv);
    return app.Run();
}
