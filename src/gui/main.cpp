// Tagwright: the station program. It takes no command-line options; only
// "--screenshots DIR" renders pictures of the main window into DIR and ends.

#include "station/ZB48App.h"

int main(int argc, char** argv) {
    tagwright::gui::CZB48App app(argc, argv);
    return app.Run();
}
