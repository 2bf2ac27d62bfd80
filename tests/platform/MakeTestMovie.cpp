// make-test-movie: writes a movie of the platform tests' own writer for the
// checks that run the whole saver (scripts/flash-check).
//   make-test-movie OUT.swf BACKGROUND SQUARE FRAMES RATE
// BACKGROUND and SQUARE as RRGGBB, RATE in frames a second (whole).

#include "PlatformTestFiles.h"

#include <cstdlib>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::cerr << "usage: make-test-movie OUT.swf BACKGROUND SQUARE FRAMES RATE" << std::endl;
        return 2;
    }
    const auto color = [](const char* hex) {
        const unsigned long v = std::strtoul(hex, nullptr, 16);
        return saver::RGB(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v));
    };
    saver::test::MovieRecipe recipe;
    recipe.WidthTwips = 320 * 20;
    recipe.HeightTwips = 180 * 20;
    recipe.Background = color(argv[2]);
    recipe.MovingSquare = color(argv[3]);
    recipe.FrameCount = uint16_t(std::atoi(argv[4]));
    recipe.FrameRate = uint16_t(std::atoi(argv[5]) << 8);
    saver::test::WriteFile(argv[1], saver::test::MakeMovie(recipe));
    return 0;
}
