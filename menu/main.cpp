// Process entry: the menu program takes no arguments and never returns here.
#include "menu.h"

int main() {
    menu_main();
}
