#include "app/editor_app.h"
#include "app/editor_hand_over.h"
#include "app/transfer_hand_over.h"

int main(int argc, char** argv) {
    EditorApp app(argc, argv);
    connectTransferWindows(app.handOver());
    connectChannelEditor(app.handOver());
    return app.run();
}
