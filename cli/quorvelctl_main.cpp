// quorvelctl: the scripting front end. Every verb prints one JSON object on success.
#include "cli/context.h"

#include <csignal>
#include <iostream>

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    return quorvel::cli::run(argc, argv, std::cout, std::cerr);
}
