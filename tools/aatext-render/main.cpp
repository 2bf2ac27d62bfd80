#include "aatext-render/AATextRender.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return saver::RunAATextRender(args, std::cout, std::cerr);
}
