// The packer's command line, callable in-process (tests) as well as from main().
#pragma once

#include <ostream>
#include <string>
#include <vector>

enum {
    ZEPBIND_EXIT_OK = 0,
    ZEPBIND_EXIT_FAILED = 1, // bad input or an I/O failure; nothing half-written is left
    ZEPBIND_EXIT_USAGE = 2,
};

// args excludes the program name. Results go to out, one-line errors to err.
int RunZepBind(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
