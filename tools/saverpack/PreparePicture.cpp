#include "saverpack/PreparePicture.h"

#include "gdi/Bitmap.h"
#include "gdi/Jpeg.h"

#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <SDL.h>
#include <libheif/heif.h>
#include <pixman.h>
#include <png.h>
#include <tiffio.h>
#include <turbojpeg.h>
#include <webp/decode.h>

namespace saver {
namespace {

// Where red, green, blue and alpha (-1: none) sit in a decoder's pixel.
struct PixelLayout {
    size_t Bytes;
    int Red, Green, Blue, Alpha;
    bool Premultiplied = false;
};

// Refuses a size no decoder should allocate for, as the runtime does.
void CheckPictureSize(int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0)
        throw PictureError("has no pixels");
    if (width > Bitmap::kMaxDimension || height > Bitmap::kMaxDimension || width * height > kMaxJpegPixels)
        throw PictureError("too large: " + std::to_string(width) + "x" + std::to_string(height) + " (at most " +
                           std::to_string(kMaxJpegPixels / 1'000'000) + " megapixels)");
}

// Copies a decoder's rows, top row first, into a 24-bit bitmap. Transparent
// parts are laid on black, the colour around every picture in the saver.
void CopyRows(const uint8_t* rows, ptrdiff_t stride, int32_t width, int32_t height, const PixelLayout& layout,
              Bitmap& out)
{
    out.SetSize(0, 0);
    Bitmap bitmap(width, height, PixelFormat::pf24bit);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* from = rows + stride * y;
        uint8_t* to = bitmap.ScanLine(y);
        for (int32_t x = 0; x < width; ++x, from += layout.Bytes, to += 3) {
            const unsigned alpha = layout.Alpha < 0 || layout.Premultiplied ? 255 : from[layout.Alpha];
            to[0] = uint8_t((from[layout.Blue] * alpha + 127) / 255);
            to[1] = uint8_t((from[layout.Green] * alpha + 127) / 255);
            to[2] = uint8_t((from[layout.Red] * alpha + 127) / 255);
        }
    }
    out.Assign(bitmap);
}

// ------------------------------------------------------------------ decoders

void DecodePng(std::span<const uint8_t> file, Bitmap& out)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    struct Ender {
        png_image* image;
        ~Ender() { png_image_free(image); }
    } ender{&image};
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size()))
        throw PictureError(std::string("PNG error: ") + image.message);
    CheckPictureSize(image.width, image.height);
    image.format = PNG_FORMAT_BGR;
    std::vector<uint8_t> rows(PNG_IMAGE_SIZE(image));
    const png_color black{0, 0, 0};
    if (!png_image_finish_read(&image, &black, rows.data(), 0, nullptr))
        throw PictureError(std::string("PNG error: ") + image.message);
    CopyRows(rows.data(), ptrdiff_t(PNG_IMAGE_ROW_STRIDE(image)), int32_t(image.width), int32_t(image.height),
             {3, 2, 1, 0, -1}, out);
}

std::string WebPStatusText(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
        return "out of memory";
    case VP8_STATUS_INVALID_PARAM:
        return "invalid parameter";
    case VP8_STATUS_BITSTREAM_ERROR:
        return "damaged data";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return "unsupported feature (an animation?)";
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return "the data ends early";
    default:
        return "error " + std::to_string(int(status));
    }
}

void DecodeWebP(std::span<const uint8_t> file, Bitmap& out)
{
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        throw PictureError("WebP error: the library does not match its header");
    if (const VP8StatusCode status = WebPGetFeatures(file.data(), file.size(), &config.input); status != VP8_STATUS_OK)
        throw PictureError("WebP error: " + WebPStatusText(status));
    CheckPictureSize(config.input.width, config.input.height);
    config.output.colorspace = MODE_RGBA;
    struct Ender {
        WebPDecBuffer* buffer;
        ~Ender() { WebPFreeDecBuffer(buffer); }
    } ender{&config.output};
    if (const VP8StatusCode status = WebPDecode(file.data(), file.size(), &config); status != VP8_STATUS_OK)
        throw PictureError("WebP error: " + WebPStatusText(status));
    const WebPRGBABuffer& rgba = config.output.u.RGBA;
    CopyRows(rgba.rgba, rgba.stride, config.output.width, config.output.height, {4, 0, 1, 2, 3}, out);
}

void DecodeBmp(std::span<const uint8_t> file, Bitmap& out)
{
    SDL_RWops* stream = SDL_RWFromConstMem(file.data(), int(std::min(file.size(), size_t(INT32_MAX))));
    std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> loaded(SDL_LoadBMP_RW(stream, 1), SDL_FreeSurface);
    if (!loaded)
        throw PictureError(std::string("BMP error: ") + SDL_GetError());
    CheckPictureSize(loaded->w, loaded->h);
    std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> rgba(
        SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_RGBA32, 0), SDL_FreeSurface);
    if (!rgba)
        throw PictureError(std::string("BMP error: ") + SDL_GetError());
    CopyRows(static_cast<const uint8_t*>(rgba->pixels), rgba->pitch, rgba->w, rgba->h, {4, 0, 1, 2, 3}, out);
}

// libtiff reads through these from memory, and reports through a handler
// of the whole process: the first error of the running thread is kept.
struct TiffSource {
    std::span<const uint8_t> bytes;
    toff_t at = 0;
};
thread_local std::string tiffError;

extern "C" void TiffErrorHandler(const char* module, const char* format, va_list args)
{
    if (!tiffError.empty())
        return;
    char message[512];
    std::vsnprintf(message, sizeof message, format, args);
    tiffError = module ? std::string(module) + ": " + message : message;
}

extern "C" tmsize_t TiffRead(thandle_t handle, void* buffer, tmsize_t size)
{
    auto* source = static_cast<TiffSource*>(handle);
    const size_t left = source->at < source->bytes.size() ? source->bytes.size() - size_t(source->at) : 0;
    const size_t count = std::min(left, size_t(size));
    std::memcpy(buffer, source->bytes.data() + source->at, count);
    source->at += count;
    return tmsize_t(count);
}

extern "C" tmsize_t TiffWrite(thandle_t, void*, tmsize_t) { return -1; }

extern "C" toff_t TiffSeek(thandle_t handle, toff_t offset, int whence)
{
    auto* source = static_cast<TiffSource*>(handle);
    const toff_t base = whence == SEEK_CUR ? source->at : whence == SEEK_END ? source->bytes.size() : 0;
    source->at = base + offset;
    return source->at;
}

extern "C" int TiffClose(thandle_t) { return 0; }
extern "C" toff_t TiffSize(thandle_t handle) { return static_cast<TiffSource*>(handle)->bytes.size(); }
extern "C" int TiffMap(thandle_t, void**, toff_t*) { return 0; }
extern "C" void TiffUnmap(thandle_t, void*, toff_t) {}

void DecodeTiff(std::span<const uint8_t> file, Bitmap& out)
{
    TIFFSetErrorHandler(TiffErrorHandler);
    TIFFSetWarningHandler(nullptr);
    tiffError.clear();
    TiffSource source{file};
    std::unique_ptr<TIFF, decltype(&TIFFClose)> tiff(TIFFClientOpen("TIFF", "rm", &source, TiffRead, TiffWrite,
                                                                    TiffSeek, TiffClose, TiffSize, TiffMap,
                                                                    TiffUnmap),
                                                     TIFFClose);
    const auto fail = [] { return PictureError("TIFF error: " + (tiffError.empty() ? "cannot read" : tiffError)); };
    if (!tiff)
        throw fail();
    uint32_t width = 0, height = 0;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ORIENTATION, &orientation);
    CheckPictureSize(width, height);
    // libtiff flips but never transposes, so it reads the pixels as stored
    // and they are turned here, by the orientation's EXIF meaning.
    TIFFSetField(tiff.get(), TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    std::vector<uint32_t> raster(size_t(width) * height);
    if (!TIFFReadRGBAImageOriented(tiff.get(), width, height, raster.data(), ORIENTATION_TOPLEFT, 1) ||
        !tiffError.empty())
        throw fail();
    // ABGR numbers; libtiff premultiplies unassociated alpha itself.
    const bool little = std::endian::native == std::endian::little;
    const PixelLayout layout{4, little ? 0 : 3, little ? 1 : 2, little ? 2 : 1, little ? 3 : 0, true};
    CopyRows(reinterpret_cast<const uint8_t*>(raster.data()), ptrdiff_t(width) * 4, int32_t(width), int32_t(height),
             layout, out);
    TurnUpright(out, Orientation::FromExif(orientation), out);
}

// HEIF pictures come out turned and mirrored as their file says.
void DecodeHeif(std::span<const uint8_t> file, Bitmap& out)
{
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), heif_context_free);
    const auto check = [](const heif_error& error) {
        if (error.code != heif_error_Ok)
            throw PictureError(std::string("HEIF error: ") + error.message);
    };
    check(heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr));
    heif_image_handle* handle = nullptr;
    check(heif_context_get_primary_image_handle(context.get(), &handle));
    std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handleOwner(handle,
                                                                                         heif_image_handle_release);
    CheckPictureSize(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    heif_image* image = nullptr;
    check(heif_decode_image(handle, &image, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr));
    std::unique_ptr<heif_image, decltype(&heif_image_release)> imageOwner(image, heif_image_release);
    int stride = 0;
    const uint8_t* rows = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    if (!rows)
        throw PictureError("HEIF error: no interleaved pixels");
    const int width = heif_image_get_width(image, heif_channel_interleaved);
    const int height = heif_image_get_height(image, heif_channel_interleaved);
    CheckPictureSize(width, height);
    CopyRows(rows, stride, width, height, alpha ? PixelLayout{4, 0, 1, 2, 3} : PixelLayout{3, 0, 1, 2, -1}, out);
}

// ------------------------------------------------------------ turn and scale

// The TurboJPEG operation that turns a picture of each EXIF orientation
// upright.
constexpr int kTransformFor[9] = {TJXOP_NONE,      TJXOP_NONE,  TJXOP_HFLIP, TJXOP_ROT180, TJXOP_VFLIP,
                                  TJXOP_TRANSPOSE, TJXOP_ROT90, TJXOP_TRANSVERSE, TJXOP_ROT270};

// The JPEG turned upright without decoding it, its metadata (and so the
// orientation tag) left out; nothing when the turn would have to drop or
// garble edge blocks that do not fill a whole MCU.
std::optional<Bytes> TurnLosslessly(std::span<const uint8_t> jpeg, int orientation)
{
    std::unique_ptr<void, decltype(&tjDestroy)> transformer(tjInitTransform(), tjDestroy);
    if (!transformer)
        return std::nullopt;
    tjtransform transform{};
    transform.op = kTransformFor[orientation];
    transform.options = TJXOPT_PERFECT | TJXOPT_COPYNONE;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const int result = tjTransform(transformer.get(), jpeg.data(), jpeg.size(), 1, &buffer, &size, &transform, 0);
    std::optional<Bytes> turned;
    if (result == 0)
        turned.emplace(buffer, buffer + size);
    tjFree(buffer);
    return turned;
}

// Scales a 32-bit bitmap to `to`'s size along one axis with a Lanczos
// filter, one pixel of the other axis at a time. pixman reads the bottom-up
// rows as an upside-down picture; the filter is symmetric, so the result,
// read the same way, is the scaled picture the right way up.
void ScaleAxis(Bitmap& from, Bitmap& to, bool alongX)
{
    using Image = std::unique_ptr<pixman_image_t, decltype(&pixman_image_unref)>;
    const auto image = [](Bitmap& bitmap) {
        return Image(pixman_image_create_bits(PIXMAN_x8r8g8b8, bitmap.Width(), bitmap.Height(),
                                              reinterpret_cast<uint32_t*>(bitmap.ScanLine(bitmap.Height() - 1)),
                                              int(bitmap.Stride())),
                     pixman_image_unref);
    };
    Image source = image(from), target = image(to);
    if (!source || !target)
        throw PictureError("cannot be scaled: out of memory");
    const pixman_fixed_t scaleX = pixman_double_to_fixed(double(from.Width()) / to.Width());
    const pixman_fixed_t scaleY = pixman_double_to_fixed(double(from.Height()) / to.Height());
    pixman_transform_t transform;
    pixman_transform_init_scale(&transform, scaleX, scaleY);
    pixman_image_set_transform(source.get(), &transform);
    // The other axis samples one whole pixel: a box as wide as a pixel.
    const pixman_kernel_t sampleX = alongX ? PIXMAN_KERNEL_LANCZOS3 : PIXMAN_KERNEL_BOX;
    const pixman_kernel_t sampleY = alongX ? PIXMAN_KERNEL_BOX : PIXMAN_KERNEL_LANCZOS3;
    int count = 0;
    pixman_fixed_t* filter = pixman_filter_create_separable_convolution(
        &count, scaleX, scaleY, PIXMAN_KERNEL_IMPULSE, PIXMAN_KERNEL_IMPULSE, sampleX, sampleY, 4, 4);
    const bool filtered =
        filter && pixman_image_set_filter(source.get(), PIXMAN_FILTER_SEPARABLE_CONVOLUTION, filter, count);
    std::free(filter);
    if (!filtered)
        throw PictureError("cannot be scaled: out of memory");
    // The edge pixels stand for what lies beyond, so the borders keep their
    // brightness.
    pixman_image_set_repeat(source.get(), PIXMAN_REPEAT_PAD);
    pixman_image_composite32(PIXMAN_OP_SRC, source.get(), nullptr, target.get(), 0, 0, 0, 0, 0, 0, to.Width(),
                             to.Height());
}

// The 24-bit bitmap scaled down to `size`, across then down: two passes of
// a separable filter cost a few taps a pixel where one pass in both
// directions costs their square.
void ScaleDown(const Bitmap& source, PictureSize size, Bitmap& out)
{
    const int32_t width = source.Width(), height = source.Height();
    Bitmap wide(width, height, PixelFormat::pf32bit);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* from = source.ScanLine(y);
        uint8_t* to = wide.ScanLine(y);
        for (int32_t x = 0; x < width; ++x, from += 3, to += 4)
            std::memcpy(to, from, 3);
    }
    Bitmap across(size.Width, height, PixelFormat::pf32bit);
    ScaleAxis(wide, across, true);
    wide.SetSize(0, 0);
    Bitmap scaled(size.Width, size.Height, PixelFormat::pf32bit);
    ScaleAxis(across, scaled, false);
    out.Assign(scaled);
}

PreparedPicture Convert(const Bitmap& upright, const PrepareOptions& options)
{
    const PictureSize own{upright.Width(), upright.Height()};
    const PictureSize size = options.KeepSize ? own : FitInside(own, options.Screen);
    JpegEncodeOptions encode;
    encode.Quality = options.Quality;
    if (size == own)
        return {EncodeJpeg(upright, encode), Preparation::Converted, size};
    Bitmap scaled;
    ScaleDown(upright, size, scaled);
    return {EncodeJpeg(scaled, encode), Preparation::Converted, size};
}

PreparedPicture PrepareJpeg(std::span<const uint8_t> file, const PrepareOptions& options)
{
    const JpegHeaderResult header = ReadJpegHeader(file);
    if (!header.ok)
        throw PictureError("not a JPEG picture: " + header.error);
    Bitmap upright;
    std::string warning;
    try {
        DecodeJpeg(file, upright, {}, &warning);
    } catch (const std::exception& e) {
        throw PictureError(std::string("cannot be decoded: ") + e.what());
    }
    if (!warning.empty())
        throw PictureError("cannot be decoded in full: " + warning);

    // The runtime shows inks too, but as RGB the picture is smaller, quicker
    // to show, and looks the same in every viewer it is extracted to.
    const bool inks = header.components == 4;
    const PictureSize own{upright.Width(), upright.Height()};
    if (inks || (!options.KeepSize && FitInside(own, options.Screen) != own))
        return Convert(upright, options);
    if (header.orientation == 1)
        return {Bytes(file.begin(), file.end()), Preparation::AsGiven, own};
    if (std::optional<Bytes> turned = TurnLosslessly(file, header.orientation))
        return {std::move(*turned), Preparation::Turned, own};
    return Convert(upright, options);
}

} // namespace

PictureSize FitInside(PictureSize picture, PictureSize screen)
{
    if (picture.Width <= screen.Width && picture.Height <= screen.Height)
        return picture;
    const int64_t w = picture.Width, h = picture.Height;
    // Width-bound when w / h >= screen width / screen height.
    if (w * screen.Height >= h * screen.Width)
        return {screen.Width, int32_t(std::max<int64_t>(1, (2 * h * screen.Width + w) / (2 * w)))};
    return {int32_t(std::max<int64_t>(1, (2 * w * screen.Height + h) / (2 * h))), screen.Height};
}

std::optional<PictureFormat> PictureFormatOf(std::span<const uint8_t> head)
{
    const auto starts = [&](std::string_view signature, size_t at = 0) {
        return head.size() >= at + signature.size() &&
               std::memcmp(head.data() + at, signature.data(), signature.size()) == 0;
    };
    if (starts("\xFF\xD8\xFF"))
        return PictureFormat::Jpeg;
    if (starts("\x89PNG\r\n\x1A\n"))
        return PictureFormat::Png;
    if (starts("RIFF") && starts("WEBP", 8))
        return PictureFormat::WebP;
    if (starts(std::string_view("II*\0", 4)) || starts(std::string_view("MM\0*", 4)))
        return PictureFormat::Tiff;
    // "BM", then the size of one of the known info headers at offset 14.
    if (starts("BM") && head.size() >= 18) {
        const uint32_t info = head[14] | head[15] << 8 | head[16] << 16 | uint32_t(head[17]) << 24;
        if (info == 12 || info == 40 || info == 52 || info == 56 || info == 64 || info == 108 || info == 124)
            return PictureFormat::Bmp;
    }
    if (head.size() >= 12 && heif_check_filetype(head.data(), int(head.size())) == heif_filetype_yes_supported)
        return PictureFormat::Heif;
    return std::nullopt;
}

std::string_view PictureFormatName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Jpeg:
        return "JPEG";
    case PictureFormat::Png:
        return "PNG";
    case PictureFormat::WebP:
        return "WebP";
    case PictureFormat::Bmp:
        return "BMP";
    case PictureFormat::Tiff:
        return "TIFF";
    case PictureFormat::Heif:
        return "HEIF";
    }
    return "unknown";
}

PreparedPicture PreparePicture(std::span<const uint8_t> file, const PrepareOptions& options)
{
    const std::optional<PictureFormat> format =
        PictureFormatOf(file.first(std::min(file.size(), kPictureSignatureBytes)));
    if (!format)
        throw PictureError("not a picture: neither JPEG, PNG, WebP, BMP, TIFF nor HEIF by its content");
    Bitmap upright;
    switch (*format) {
    case PictureFormat::Jpeg:
        return PrepareJpeg(file, options);
    case PictureFormat::Png:
        DecodePng(file, upright);
        break;
    case PictureFormat::WebP:
        DecodeWebP(file, upright);
        break;
    case PictureFormat::Bmp:
        DecodeBmp(file, upright);
        break;
    case PictureFormat::Tiff:
        DecodeTiff(file, upright);
        break;
    case PictureFormat::Heif:
        DecodeHeif(file, upright);
        break;
    }
    return Convert(upright, options);
}

} // namespace saver
