#include "app/editor_app.h"

int main(int argc, char** argv) {
    EditorApp app(argc, argv);
    // The transfer window and the channel editor are plugged in through app.handOver() here;
    // until then the main window's actions end after their checks and reads.
    return app.run();
}
