// zepbind: packer of the updater's bound firmware package.
#include "ZepBindTool.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunZepBind(args, std::cout, std::cerr);
}
