// Command runs on POSIX: the shell's wait status decoded.
#include "RunProcess.h"

#include <cstdlib>
#include <sys/wait.h>

int RunProcess(const std::string& commandLine) {
    int status = std::system(commandLine.c_str());
    if (status == -1 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
