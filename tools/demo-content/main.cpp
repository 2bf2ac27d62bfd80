// demo-content OUTDIR [WIDTHxHEIGHT]: makes the demo screensaver's content
// from nothing: five pictures drawn by formula (JPEG) and a short tune
// (WAV), so the demo needs no downloaded files.

#include "gdi/Bitmap.h"
#include "gdi/Jpeg.h"

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

using namespace saver;

namespace {

using Shader = std::function<TColor(double u, double v)>; // u, v in [0, 1)

uint8_t Clamp(double x) { return uint8_t(std::lround(std::fmin(255.0, std::fmax(0.0, x)))); }

TColor Mix(TColor a, TColor b, double t)
{
    return RGB(Clamp(GetRValue(a) + (GetRValue(b) - GetRValue(a)) * t),
               Clamp(GetGValue(a) + (GetGValue(b) - GetGValue(a)) * t),
               Clamp(GetBValue(a) + (GetBValue(b) - GetBValue(a)) * t));
}

TColor Sunset(double u, double v)
{
    const double horizon = 0.62;
    if (v < horizon) {
        TColor sky = Mix(RGB(32, 24, 96), RGB(255, 140, 60), std::pow(v / horizon, 1.6));
        const double d = std::hypot((u - 0.5) * 16.0 / 9.0, v - 0.5);
        if (d < 0.12)
            return Mix(RGB(255, 230, 120), RGB(255, 180, 60), d / 0.12);
        return Mix(sky, RGB(255, 200, 120), std::exp(-d * 8.0) * 0.6);
    }
    const double depth = (v - horizon) / (1 - horizon);
    const double wave = 0.5 + 0.5 * std::sin(u * 90.0 * (1.2 - depth) + depth * 40.0);
    const TColor sea = Mix(RGB(40, 30, 90), RGB(10, 20, 50), depth);
    const double glitter = std::exp(-std::pow((u - 0.5) * 6.0, 2)) * wave * (1 - depth);
    return Mix(sea, RGB(255, 170, 90), glitter);
}

TColor Mandelbrot(double u, double v)
{
    const std::complex<double> c(-0.745 + (u - 0.5) * 0.09 * 16.0 / 9.0, 0.112 + (v - 0.5) * 0.09);
    std::complex<double> z = 0;
    int i = 0;
    for (; i < 200 && std::norm(z) < 16.0; ++i)
        z = z * z + c;
    if (i == 200)
        return RGB(5, 5, 20);
    const double t = (i - std::log2(std::log2(std::norm(z)))) / 40.0;
    return RGB(Clamp(128 + 127 * std::sin(t * 2.0)), Clamp(128 + 127 * std::sin(t * 2.0 + 2.0)),
               Clamp(128 + 127 * std::sin(t * 2.0 + 4.0)));
}

TColor Rings(double u, double v)
{
    const double d = std::hypot((u - 0.3) * 16.0 / 9.0, v - 0.6);
    const double e = std::hypot((u - 0.75) * 16.0 / 9.0, v - 0.35);
    const double t = std::sin(d * 60.0) + std::sin(e * 45.0);
    return RGB(Clamp(140 + 100 * std::sin(t + u * 3)), Clamp(120 + 100 * std::sin(t + 2.1)),
               Clamp(170 + 80 * std::cos(t + v * 4)));
}

TColor Plasma(double u, double v)
{
    const double x = u * 12.0, y = v * 7.0;
    const double t = std::sin(x) + std::sin(y * 1.3) + std::sin((x + y) * 0.7) + std::sin(std::hypot(x - 6, y - 3.5));
    return RGB(Clamp(128 + 120 * std::sin(t * 1.2)), Clamp(128 + 120 * std::sin(t * 1.2 + 2.4)),
               Clamp(128 + 120 * std::sin(t * 1.2 + 4.2)));
}

TColor Tiles(double u, double v)
{
    const int cx = int(u * 24), cy = int(v * 13.5);
    const double fx = u * 24 - cx, fy = v * 13.5 - cy;
    const TColor palette[] = {RGB(244, 162, 97), RGB(42, 157, 143), RGB(233, 196, 106), RGB(231, 111, 81),
                              RGB(38, 70, 83)};
    const TColor base = palette[size_t((cx * 7 + cy * 3) % 5)];
    const bool diagonal = ((cx + cy) % 2 == 0) ? fx > fy : fx + fy < 1.0;
    const TColor other = palette[size_t((cx * 7 + cy * 3 + 2) % 5)];
    const double edge = std::fmin(std::fmin(fx, 1 - fx), std::fmin(fy, 1 - fy));
    return edge < 0.04 ? RGB(250, 245, 235) : (diagonal ? base : other);
}

void WritePicture(const std::filesystem::path& path, int32_t w, int32_t h, const Shader& shader)
{
    Bitmap b(w, h, PixelFormat::pf24bit);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = b.ScanLine(y);
        for (int32_t x = 0; x < w; ++x) {
            const TColor c = shader((x + 0.5) / w, (y + 0.5) / h);
            row[x * 3] = GetBValue(c);
            row[x * 3 + 1] = GetGValue(c);
            row[x * 3 + 2] = GetRValue(c);
        }
    }
    const std::vector<uint8_t> jpeg = EncodeJpeg(b, 90);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
}

// A short tune: a pentatonic melody with a soft bell-like tone, 22050 Hz mono.
void WriteTune(const std::filesystem::path& path)
{
    const int rate = 22050;
    const double notes[] = {523.25, 587.33, 659.25, 783.99, 880.00, 783.99, 659.25, 587.33,
                            523.25, 659.25, 783.99, 1046.5, 880.00, 783.99, 659.25, 523.25};
    const double beat = 0.45;
    std::vector<int16_t> samples;
    for (double f : notes)
        for (int i = 0; i < int(beat * rate); ++i) {
            const double t = double(i) / rate;
            const double envelope = std::exp(-t * 5.0) * std::fmin(1.0, t * 200.0);
            const double s = std::sin(2 * M_PI * f * t) + 0.3 * std::sin(4 * M_PI * f * t);
            samples.push_back(int16_t(std::lround(9000.0 * envelope * s)));
        }
    auto put32 = [](std::ofstream& o, uint32_t v) { o.write(reinterpret_cast<const char*>(&v), 4); };
    auto put16 = [](std::ofstream& o, uint16_t v) { o.write(reinterpret_cast<const char*>(&v), 2); };
    std::ofstream out(path, std::ios::binary);
    const uint32_t bytes = uint32_t(samples.size() * 2);
    out.write("RIFF", 4);
    put32(out, 36 + bytes);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1);
    put16(out, 1);
    put32(out, uint32_t(rate));
    put32(out, uint32_t(rate * 2));
    put16(out, 2);
    put16(out, 16);
    out.write("data", 4);
    put32(out, bytes);
    out.write(reinterpret_cast<const char*>(samples.data()), std::streamsize(bytes));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: demo-content OUTDIR [WIDTHxHEIGHT]\n";
        return 2;
    }
    int w = 1920, h = 1080;
    if (argc == 3 && (std::sscanf(argv[2], "%dx%d", &w, &h) != 2 || w < 16 || h < 16 || w > 8192 || h > 8192)) {
        std::cerr << "demo-content: size must be WIDTHxHEIGHT, 16 to 8192\n";
        return 2;
    }
    try {
        const std::filesystem::path out = argv[1];
        std::filesystem::create_directories(out);
        const std::pair<const char*, Shader> pictures[] = {
            {"1-sunset.jpg", Sunset}, {"2-fractal.jpg", Mandelbrot}, {"3-rings.jpg", Rings},
            {"4-plasma.jpg", Plasma}, {"5-tiles.jpg", Tiles}};
        for (const auto& [name, shader] : pictures)
            WritePicture(out / name, w, h, shader);
        WriteTune(out / "tune.wav");
    } catch (const std::exception& e) {
        std::cerr << "demo-content: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
