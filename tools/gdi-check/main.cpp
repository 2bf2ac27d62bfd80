// gdi-check CASES OUTDIR: evaluates the GDI reference corpus's cases with our
// raster layer and writes NAME.pbm / NAME.pam in the reference's formats, so
// the reference's check.py can compare them. Halftone blits are skipped.

#include "OracleCases.h"

#include "core/Error.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: gdi-check CASES OUTDIR\n";
        return 2;
    }
    try {
        std::ifstream in(argv[1], std::ios::binary);
        if (!in)
            throw saver::Exception(std::string("cannot read ") + argv[1]);
        std::stringstream text;
        text << in.rdbuf();
        const saver::oracle::CaseFile cases = saver::oracle::ParseCases(text.str());
        const std::filesystem::path out = argv[2];
        std::filesystem::create_directories(out);
        auto write = [&](const std::string& name, const std::string& bytes) {
            std::ofstream file(out / name, std::ios::binary);
            file << bytes;
            if (!file)
                throw saver::Exception("cannot write " + (out / name).string());
        };
        size_t regions = 0, blits = 0, failed = 0;
        for (const auto& c : cases.Regions) {
            try {
                write(c.Name + ".pbm",
                      saver::oracle::RegionMaskPbm(saver::oracle::EvaluateRegion(c.Expression), c.Width, c.Height));
                ++regions;
            } catch (const std::exception& e) {
                std::cerr << c.Name << ": " << e.what() << "\n";
                ++failed;
            }
        }
        for (const auto& c : cases.Blits) {
            if (c.Mode == "halftone")
                continue;
            write(c.Name + ".pam", saver::oracle::BlitResultPam(*saver::oracle::RunBlit(c)));
            ++blits;
        }
        std::cout << "gdi-check: " << regions << " region masks, " << blits << " blit results";
        if (failed)
            std::cout << ", " << failed << " cases could not be evaluated";
        std::cout << "\n";
        return failed ? 1 : 0;
    } catch (const std::exception& e) {
        std::cerr << "gdi-check: " << e.what() << "\n";
        return 1;
    }
}
