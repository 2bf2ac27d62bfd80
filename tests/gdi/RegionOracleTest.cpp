// Every reliable region case of the GDI oracle corpus (../shared/gdi-oracle,
// answers recorded from a real GDI): build the case's postfix expression
// with our regions and compare the covered pixels with the recorded mask.

#include "gdi/RegionTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <tuple>

namespace saver {
namespace {

// The reference vectors live beside the repository, in the team's shared folder.
const std::string kOracleDir = SAVER_SOURCE_DIR "/../shared/gdi-oracle/vectors/";

struct OracleCase {
    std::string name;
    int32_t width = 0, height = 0;
    std::vector<std::string> expr;
    std::string box, type; // GetRgnBox's answers from index.txt
};

void PrintTo(const OracleCase& c, std::ostream* os) { *os << c.name; }

std::vector<OracleCase> LoadCases()
{
    std::set<std::string> unreliable;
    std::ifstream unreliableFile(kOracleDir + "unreliable.txt");
    for (std::string name, rest; unreliableFile >> name && std::getline(unreliableFile, rest);)
        unreliable.insert(name);
    std::map<std::string, std::pair<std::string, std::string>> index; // name -> box, type
    std::ifstream indexFile(kOracleDir + "index.txt");
    for (std::string line; std::getline(indexFile, line);) {
        const auto field = [&](const std::string& key) {
            const size_t at = line.find(' ' + key + '=') + key.size() + 2;
            return line.substr(at, line.find(' ', at) - at);
        };
        if (line.find(" box=") != std::string::npos)
            index[line.substr(0, line.find(' '))] = {field("box"), field("type")};
    }
    std::vector<OracleCase> cases;
    std::ifstream in(kOracleDir + "cases.txt");
    for (std::string line; std::getline(in, line);) {
        std::istringstream ls(line);
        std::string kind;
        OracleCase c;
        if (!(ls >> kind >> c.name >> c.width >> c.height) || kind != "rgn" || unreliable.count(c.name))
            continue;
        for (std::string token; ls >> token;)
            c.expr.push_back(token);
        std::tie(c.box, c.type) = index[c.name];
        cases.push_back(std::move(c));
    }
    return cases;
}

Region Evaluate(const std::vector<std::string>& expr)
{
    static const std::map<std::string, CombineMode> kOps{
        {"and", CombineMode::And}, {"or", CombineMode::Or}, {"xor", CombineMode::Xor}, {"diff", CombineMode::Diff}};
    std::vector<Region> stack;
    size_t pos = 0;
    const auto next = [&] { return std::stoi(expr.at(pos++)); };
    while (pos < expr.size()) {
        const std::string op = expr[pos++];
        if (auto it = kOps.find(op); it != kOps.end()) {
            const Region b = std::move(stack.at(stack.size() - 1));
            stack.pop_back();
            CombineRgn(stack.at(stack.size() - 1), stack.back(), b, it->second);
        } else if (op == "rect" || op == "ellipse") {
            const int32_t l = next(), t = next(), r = next(), b = next();
            stack.push_back(op == "rect" ? Region::CreateRectRgn(l, t, r, b) : Region::CreateEllipticRgn(l, t, r, b));
        } else if (op == "roundrect") {
            const int32_t l = next(), t = next(), r = next(), b = next(), ew = next(), eh = next();
            stack.push_back(Region::CreateRoundRectRgn(l, t, r, b, ew, eh));
        } else {
            EXPECT_EQ(op, "poly");
            const bool winding = expr.at(pos++) == "winding";
            std::vector<Point> points(static_cast<size_t>(next()));
            for (Point& p : points)
                p = {next(), next()};
            stack.push_back(Region::CreatePolygonRgn(points, winding ? PolyFillMode::Winding : PolyFillMode::Alternate));
        }
        EXPECT_TRUE(stack.back().IsValid()) << "after " << op << ": " << stack.back();
    }
    EXPECT_EQ(stack.size(), 1u);
    return stack.at(0);
}

std::vector<uint8_t> ReadPbm(const std::string& path, int32_t width, int32_t height)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int32_t w = 0, h = 0;
    in >> magic >> w >> h;
    in.get(); // the single whitespace before the bits
    const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
    std::vector<char> bits(rowBytes * height);
    in.read(bits.data(), static_cast<std::streamsize>(bits.size()));
    EXPECT_TRUE(in && magic == "P4" && w == width && h == height) << "bad PBM " << path;
    std::vector<uint8_t> mask(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < mask.size(); ++i)
        mask[i] = (static_cast<uint8_t>(bits[i / width * rowBytes + i % width / 8]) >> (7 - i % width % 8)) & 1;
    return mask;
}

class RegionOracle : public testing::TestWithParam<OracleCase> {};

TEST_P(RegionOracle, CoversTheSamePixelsAsTheGdi)
{
    const OracleCase& c = GetParam();
    const Region region = Evaluate(c.expr);
    const std::vector<uint8_t> actual = test::RegionMask(region, c.width, c.height);
    EXPECT_EQ(test::MaskDifference(ReadPbm(kOracleDir + c.name + ".pbm", c.width, c.height), actual, c.width, c.height),
              "")
        << region;

    // Box and type also see the region outside the canvas. The GDI keeps
    // zero-width rectangles at the tips of even-width ellipses and leaves
    // equal rows of curved shapes unmerged, so its box and type are only
    // canonical for expressions without curves.
    if (std::find(c.expr.begin(), c.expr.end(), "ellipse") == c.expr.end() &&
        std::find(c.expr.begin(), c.expr.end(), "roundrect") == c.expr.end()) {
        Rect box;
        const RegionType type = GetRgnBox(region, box);
        EXPECT_EQ(c.box, std::to_string(box.Left) + ',' + std::to_string(box.Top) + ',' + std::to_string(box.Right) + ',' +
                             std::to_string(box.Bottom));
        EXPECT_EQ(c.type, std::to_string(static_cast<int>(type)));
    }

    // Point queries search the bands; they must agree with the rectangles.
    for (int32_t y = 0; y < c.height; ++y)
        for (int32_t x = 0; x < c.width; ++x)
            ASSERT_EQ(PtInRegion(region, x, y), actual[static_cast<size_t>(y) * c.width + x] != 0) << x << ',' << y;
}

INSTANTIATE_TEST_SUITE_P(Corpus, RegionOracle, testing::ValuesIn(LoadCases()),
                         [](const testing::TestParamInfo<OracleCase>& info) { return info.param.name; });

// Guards against the corpus going missing or shrinking unnoticed: 1707
// region cases, 65 of them unreliable.
TEST(RegionOracleCorpus, HoldsEveryReliableRegionCase) { EXPECT_EQ(LoadCases().size(), 1707u - 65u); }

} // namespace
} // namespace saver
