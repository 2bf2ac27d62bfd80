#include "saverpack/SaverPack.h"

#include <iostream>

#include <unistd.h>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return saver::RunSaverPack(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
