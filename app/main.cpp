#include "app/editor_app.h"

int main(int argc, char** argv) {
    EditorApp app(argc, argv);
    return app.run();
}
