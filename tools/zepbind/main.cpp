// zepbind: packer of the updater's bound firmware package.
#include "ZepBindTool.h"
#include "zepDllSearch.h"

#include <iostream>

int main(int argc, char** argv) {
    ZepLoadSystemLibrariesOnly();
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunZepBind(args, std::cout, std::cerr);
}
