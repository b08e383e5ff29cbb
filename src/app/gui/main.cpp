#include "app/gui/GuiSession.h"

int main(int argc, char** argv) {
    return quorbit::gui::RunWindow(argc, argv);
}
