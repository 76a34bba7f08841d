#include "app/editor_app.h"
#include "app/editor_hand_over.h"
#include "app/transfer_hand_over.h"
#include "editor/standard_editor_windows.h"

int main(int argc, char** argv) {
    EditorApp app(argc, argv);
    connectTransferWindows(app.handOver());
    connectChannelEditor(app.handOver(), standardEditorWindows());
    return app.run();
}
