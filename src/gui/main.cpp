#include <iostream>

#include "app/LastGuard.h"
#include "gui/GuiSession.h"

int main(int argc, char** argv) {
    return quorbit::RunWithLastGuard([&] { return quorbit::gui::RunWindow(argc, argv); }, std::cerr,
                                     "quorbit");
}
