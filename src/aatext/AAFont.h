#pragma once
// Anti-aliased text. A line of text is drawn white on black at an integer
// multiple of its size and averaged down to a coverage mask (TAAMask); the
// mask is laid onto a canvas in one colour or through a fill image
// (TAABlend). TAAFontEx decorates the line with an effect set (shadow,
// gradient, texture, blur, outline, noise, opacity), and two named
// collections let tags in the text pick a font set (TFontLabels) or an
// alignment and inserted values (TUserLabels).
//
// Everything here runs on the GUI thread.

#include "core/Color.h"
#include "core/Error.h"
#include "core/Geometry.h"
#include "gdi/Bitmap.h"
#include "gdi/Canvas.h"
#include "gui/Picture.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace saver {

class TAAFont;

// ---------------------------------------------------------------------------
// Coverage mask and blending

// Supersampling factor: aqHigh 4 (plain 4 x 4 average), aqNormal 3 (weighted
// 3 x 3), aqLow 2 (plain 2 x 2), aqNone 1 (copied).
enum class TAAQuality : uint8_t { aqHigh, aqNormal, aqLow, aqNone };

[[nodiscard]] int32_t QualityScale(TAAQuality quality);

class EInvalidLine : public Exception {
public:
    EInvalidLine() : Exception("Invalid line!") {}
};

class EInvalidForeBmp : public Exception {
public:
    EInvalidForeBmp() : Exception("Invalid foreground bitmap!") {}
};

// One coverage byte a pixel, 0 = not covered, 255 = fully covered. Rows are
// stored bottom-up and padded to 4 bytes like bitmap rows; ScanLine hides the
// order.
class TAAMask {
public:
    explicit TAAMask(TAAFont* owner);
    TAAMask(const TAAMask&) = delete;
    TAAMask& operator=(const TAAMask&) = delete;

    [[nodiscard]] TAAFont* Owner() const { return m_owner; }
    [[nodiscard]] TAAQuality Quality() const { return m_quality; }
    void SetQuality(TAAQuality quality);
    [[nodiscard]] int32_t Scale() const { return m_scale; }

    [[nodiscard]] int32_t Width() const { return m_width; }
    [[nodiscard]] int32_t Height() const { return m_height; }
    [[nodiscard]] int32_t BytesPerRow() const { return m_bytesPerRow; }
    [[nodiscard]] const std::vector<uint8_t>& Data() const { return m_data; }
    // The 8-bit grey bitmap text is drawn into at Scale times its size; it
    // only grows.
    [[nodiscard]] Bitmap& RenderBitmap() { return m_renderBitmap; }

    // Size in output pixels of the text in the owner canvas's font; 0
    // without an owner canvas.
    [[nodiscard]] int32_t TextWidth(std::string_view text) const;
    [[nodiscard]] int32_t TextHeight(std::string_view text) const;

    // Render(text, TextWidth, TextHeight, (0, 0)).
    void DrawText(std::string_view text);
    // Draws text at `origin` (render pixels) and downsamples a width x height
    // mask; nothing without an owner canvas.
    void Render(std::string_view text, int32_t width, int32_t height, Point origin);
    // Replaces coverage by edge strength (hollow letters); the border rows
    // and columns keep their values.
    void ApplyOutline();
    // 5 x 5 box filter with clamped edges, mixed with the mask by strength
    // 0..100 (larger values count as 100).
    void ApplyBlur(uint8_t strength);

    // Row y counted from the top; throws EInvalidLine outside 0..Height-1.
    [[nodiscard]] uint8_t* ScanLine(int32_t y);
    [[nodiscard]] const uint8_t* ScanLine(int32_t y) const;

    // Sizes the mask without rendering, all coverage 0: for masks composed
    // by hand.
    void SetSize(int32_t width, int32_t height);
    void Assign(const TAAMask& source);

private:
    // Measures with the owner canvas's font enlarged by Scale.
    [[nodiscard]] TextSize MeasureScaled(std::string_view text) const;
    void Downsample();

    TAAFont* m_owner;
    TAAQuality m_quality = TAAQuality::aqNormal;
    int32_t m_scale = 3;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_bytesPerRow = 0;
    std::vector<uint8_t> m_data;
    Bitmap m_renderBitmap{PixelFormat::pf8bit};
};

// Lays a mask onto the owner's canvas. The target rectangle is composed in
// WorkBitmap and copied back whole: with a solid canvas brush the text stands
// on a box of the brush colour, with a clear brush only the text changes.
class TAABlend {
public:
    explicit TAABlend(TAAFont* owner);
    TAABlend(const TAABlend&) = delete;
    TAABlend& operator=(const TAABlend&) = delete;

    [[nodiscard]] TAAFont* Owner() const { return m_owner; }
    // The 24-bit fill image BlendFill lays through the mask.
    [[nodiscard]] Bitmap& ForeBitmap() { return m_foreBitmap; }
    [[nodiscard]] Bitmap& WorkBitmap() { return m_workBitmap; }

    // Alpha is 0..100 percent; larger values count as 100.
    void BlendColor(int32_t x, int32_t y, const TAAMask& mask, uint8_t alpha, TColor color);
    // Throws EInvalidForeBmp, before drawing, unless ForeBitmap is 24-bit and
    // exactly the mask's size.
    void BlendFill(int32_t x, int32_t y, const TAAMask& mask, uint8_t alpha);

    void Assign(const TAABlend& source);

private:
    void Compose(int32_t x, int32_t y, const TAAMask& mask, uint8_t alpha, const TColor* color);

    TAAFont* m_owner;
    Bitmap m_foreBitmap{PixelFormat::pf24bit};
    Bitmap m_workBitmap{PixelFormat::pf24bit};
};

// A target canvas (not owned, may be absent) with one mask and one blender.
class TAAFont {
public:
    explicit TAAFont(Canvas* canvas = nullptr);
    virtual ~TAAFont();
    TAAFont(const TAAFont&) = delete;
    TAAFont& operator=(const TAAFont&) = delete;

    [[nodiscard]] Canvas* GetCanvas() const { return m_canvas; }
    void SetCanvas(Canvas* canvas) { m_canvas = canvas; }
    [[nodiscard]] TAAMask& Mask() { return *m_mask; }
    [[nodiscard]] TAABlend& Blend() { return *m_blend; }

    [[nodiscard]] virtual int32_t TextWidth(std::string_view text) { return m_mask->TextWidth(text); }
    [[nodiscard]] virtual int32_t TextHeight(std::string_view text) { return m_mask->TextHeight(text); }

private:
    Canvas* m_canvas;
    std::unique_ptr<TAAMask> m_mask;
    std::unique_ptr<TAABlend> m_blend;
};

// ---------------------------------------------------------------------------
// Effect sets

using TAlpha = uint8_t;        // 0..100 percent opacity
using TBlurStrength = uint8_t; // 0..100
using TOffset = int8_t;        // -20..20 pixels

enum class TGradualStyle : uint8_t { gsLeftToRight, gsRightToLeft, gsTopToBottom, gsBottomToTop };
enum class TTextureMode : uint8_t { tmTiled, tmStretched, tmCenter, tmNormal };

// Anything that reports changes, and the sender of a report.
class TPersistent {
public:
    virtual ~TPersistent() = default;
};

using TChangeEvent = std::function<void(TPersistent* sender)>;

// A settings object that reports every change through OnChanged, set by
// whoever owns it. Writers store a different value and call Changed; Assign
// copies values directly and reports nothing of its own.
class TNotifyClass : public TPersistent {
public:
    explicit TNotifyClass(TChangeEvent onChanged = {}) : OnChanged(std::move(onChanged)) {}
    TNotifyClass(const TNotifyClass&) = delete;
    TNotifyClass& operator=(const TNotifyClass&) = delete;

    // Copies what both objects have in common.
    virtual void Assign(const TNotifyClass& source);
    virtual void Changed();
    // The handler owned parts get as their OnChanged.
    virtual void ChildChanged(TPersistent* sender);

    TChangeEvent OnChanged;
};

// A part that can be switched on and off: its changes are reported only
// while it is on, and switching it is always reported.
class TEnabledClass : public TNotifyClass {
public:
    using TNotifyClass::TNotifyClass;

    [[nodiscard]] bool Enabled() const { return m_enabled; }
    virtual void SetEnabled(bool value);

    void Assign(const TNotifyClass& source) override;
    void Changed() override;

protected:
    bool m_enabled = false;
};

class TAAShadow : public TEnabledClass {
public:
    using TEnabledClass::TEnabledClass;

    [[nodiscard]] TBlurStrength Blur() const { return m_blur; }
    void SetBlur(TBlurStrength value);
    [[nodiscard]] TAlpha Alpha() const { return m_alpha; }
    void SetAlpha(TAlpha value);
    [[nodiscard]] TColor Color() const { return m_color; }
    void SetColor(TColor value);
    [[nodiscard]] TOffset OffsetX() const { return m_offsetX; }
    void SetOffsetX(TOffset value);
    [[nodiscard]] TOffset OffsetY() const { return m_offsetY; }
    void SetOffsetY(TOffset value);

    void Assign(const TNotifyClass& source) override;

private:
    TBlurStrength m_blur = 80;
    TAlpha m_alpha = 70;
    TColor m_color = 0x444444;
    TOffset m_offsetX = 2;
    TOffset m_offsetY = 2;
};

class TAAGradual : public TEnabledClass {
public:
    using TEnabledClass::TEnabledClass;

    [[nodiscard]] TGradualStyle Style() const { return m_style; }
    void SetStyle(TGradualStyle value);
    [[nodiscard]] TColor StartColor() const { return m_startColor; }
    void SetStartColor(TColor value);
    [[nodiscard]] TColor EndColor() const { return m_endColor; }
    void SetEndColor(TColor value);

    void Assign(const TNotifyClass& source) override;

private:
    TGradualStyle m_style = TGradualStyle::gsLeftToRight;
    TColor m_startColor = 0xFFFFFF;
    TColor m_endColor = 0x000000;
};

class TAATexture : public TEnabledClass {
public:
    explicit TAATexture(TChangeEvent onChanged = {});

    [[nodiscard]] TTextureMode Mode() const { return m_mode; }
    void SetMode(TTextureMode value);
    // Any change of the picture, a copy included, calls Changed.
    [[nodiscard]] Picture& GetPicture() { return m_picture; }
    [[nodiscard]] const Picture& GetPicture() const { return m_picture; }
    void SetPicture(const Picture* value) { m_picture.Assign(value); }
    // Holds a graphic that is not empty.
    [[nodiscard]] bool HasGraphic() const;

    void Assign(const TNotifyClass& source) override;

private:
    TTextureMode m_mode = TTextureMode::tmTiled;
    Picture m_picture;
};

class TAAEffect : public TNotifyClass {
public:
    explicit TAAEffect(TChangeEvent onChanged = {});

    [[nodiscard]] TAAShadow& Shadow() { return m_shadow; }
    [[nodiscard]] const TAAShadow& Shadow() const { return m_shadow; }
    [[nodiscard]] TAAGradual& Gradual() { return m_gradual; }
    [[nodiscard]] const TAAGradual& Gradual() const { return m_gradual; }
    [[nodiscard]] TAATexture& Texture() { return m_texture; }
    [[nodiscard]] const TAATexture& Texture() const { return m_texture; }
    // Copy the given part, then report.
    void SetShadow(const TAAShadow& value);
    void SetGradual(const TAAGradual& value);
    void SetTexture(const TAATexture& value);

    [[nodiscard]] TAlpha Alpha() const { return m_alpha; }
    void SetAlpha(TAlpha value);
    [[nodiscard]] TBlurStrength Blur() const { return m_blur; }
    void SetBlur(TBlurStrength value);
    [[nodiscard]] uint8_t Noise() const { return m_noise; }
    void SetNoise(uint8_t value);
    [[nodiscard]] bool Outline() const { return m_outline; }
    void SetOutline(bool value);

    void Assign(const TNotifyClass& source) override;

private:
    TAAShadow m_shadow;
    TAAGradual m_gradual;
    TAATexture m_texture;
    TAlpha m_alpha = 100;
    TBlurStrength m_blur = 0;
    uint8_t m_noise = 0;
    bool m_outline = false;
};

// A TAAFont that draws with an effect set. The effect is created without a
// change handler; its owner installs one.
class TAAFontEx : public TAAFont {
public:
    explicit TAAFontEx(Canvas* canvas = nullptr);

    [[nodiscard]] TAAEffect& Effect() { return m_effect; }

    // The plain size plus |OffsetX| (|OffsetY|) while the shadow is on.
    [[nodiscard]] int32_t TextWidth(std::string_view text) override;
    [[nodiscard]] int32_t TextHeight(std::string_view text) override;
    // Draws text whose measured box has its top-left corner at (x, y).
    void TextOut(int32_t x, int32_t y, std::string_view text);

    // Fill images for Blend().ForeBitmap(), sized to the mask.
    void BuildGradient();
    void BuildTexture();
    void BuildNoise();
    void AddNoise(uint8_t amount);

private:
    TAAEffect m_effect;
    uint32_t m_noiseSeed;
};

// ---------------------------------------------------------------------------
// Font sets, user labels and tags

enum class TAlignment : uint8_t { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

// A font object: a canvas font's attributes with a change report.
class TFont {
public:
    TFont() = default;
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;

    [[nodiscard]] const CanvasFont& Get() const { return m_font; }
    // Copies every attribute; reports once if any differs.
    void Assign(const CanvasFont& font);
    void Assign(const TFont& font) { Assign(font.m_font); }

    [[nodiscard]] const std::string& Name() const { return m_font.Name; }
    void SetName(const std::string& value);
    [[nodiscard]] int32_t Height() const { return m_font.Height; }
    void SetHeight(int32_t value);
    // Points at 96 pixels an inch: Height = -MulDiv(size, 96, 72).
    [[nodiscard]] int32_t Size() const;
    void SetSize(int32_t points);
    [[nodiscard]] TColor Color() const { return m_font.Color; }
    void SetColor(TColor value);
    [[nodiscard]] uint32_t Style() const { return m_font.Style; }
    void SetStyle(uint32_t value);
    [[nodiscard]] uint8_t Charset() const { return m_font.Charset; }
    void SetCharset(uint8_t value);

    std::function<void()> OnChange;

private:
    template <class T>
    void SetField(T CanvasFont::*field, const T& value);
    void Changed();
    CanvasFont m_font;
};

class TNamedCollection;

// A collection item with a tag name that is unique in its collection under
// the locale's case-insensitive comparison.
class TNamedItem : public TPersistent {
public:
    explicit TNamedItem(TNamedCollection* collection) : m_collection(collection) {}
    TNamedItem(const TNamedItem&) = delete;
    TNamedItem& operator=(const TNamedItem&) = delete;

    [[nodiscard]] const std::string& Name() const { return m_name; }
    // Throws saver::Exception "Duplicate string!" when another item of the
    // collection has the name; the old name stays.
    void SetName(const std::string& value);
    // The name, or the class name while the name is empty.
    [[nodiscard]] std::string DisplayName() const;
    [[nodiscard]] TNamedCollection* Collection() const { return m_collection; }
    // Copies another item of the same class, without reports.
    virtual void Assign(const TNamedItem& source) = 0;

protected:
    friend class TNamedCollection;
    [[nodiscard]] virtual const char* ClassName() const = 0;
    // Reports to the collection's change handler.
    void Changed();

    std::string m_name;
    TNamedCollection* m_collection;
};

// Owns its items; reports every structural update and every item change
// through OnChange.
class TNamedCollection : public TPersistent {
public:
    explicit TNamedCollection(TChangeEvent onChange) : OnChange(std::move(onChange)) {}
    TNamedCollection(const TNamedCollection&) = delete;
    TNamedCollection& operator=(const TNamedCollection&) = delete;

    [[nodiscard]] int32_t Count() const { return int32_t(m_items.size()); }
    // The first item whose name equals `name` case-insensitively, or -1.
    [[nodiscard]] int32_t IndexOf(std::string_view name) const;
    void Delete(int32_t index);
    void Move(int32_t from, int32_t to);
    void Clear();
    // Reports to OnChange, unless inside BeginUpdate / EndUpdate; the last
    // EndUpdate reports once.
    void Changed();
    void BeginUpdate() { ++m_updateCount; }
    void EndUpdate();

    TChangeEvent OnChange;

protected:
    [[nodiscard]] virtual std::unique_ptr<TNamedItem> NewItem() = 0;
    TNamedItem& AddItem(std::unique_ptr<TNamedItem> item);
    // Replaces the items by copies of another collection's, reporting once.
    void AssignItems(const TNamedCollection& source);
    // Stores a name without the uniqueness check or a report.
    static void StoreName(TNamedItem& item, std::string name) { item.m_name = std::move(name); }

    std::vector<std::unique_ptr<TNamedItem>> m_items;

private:
    int32_t m_updateCount = 0;
};

class TFontLabels;

// A font set: a font with an effect set, named by its tag.
class TFontLabel : public TNamedItem {
public:
    explicit TFontLabel(TFontLabels* collection = nullptr);

    [[nodiscard]] TFont& Font() { return m_font; }
    [[nodiscard]] const TFont& Font() const { return m_font; }
    void SetFont(const TFont& value) { m_font.Assign(value); }
    [[nodiscard]] TAAEffect& Effect() { return m_effect; }
    [[nodiscard]] const TAAEffect& Effect() const { return m_effect; }
    void SetEffect(const TAAEffect& value) { m_effect.Assign(value); }

    // Name, font and effect.
    void Assign(const TNamedItem& source) override;

protected:
    [[nodiscard]] const char* ClassName() const override { return "TFontLabel"; }

private:
    TFont m_font;
    TAAEffect m_effect;
};

class TFontLabels : public TNamedCollection {
public:
    explicit TFontLabels(TChangeEvent onChange = {}) : TNamedCollection(std::move(onChange)) {}

    [[nodiscard]] TFontLabel& Items(int32_t index) { return static_cast<TFontLabel&>(*m_items.at(size_t(index))); }
    TFontLabel& Add();
    // A new set, or nullptr when the name exists already.
    TFontLabel* AddFont(const std::string& name, const std::string& face, int32_t points, TColor color,
                        uint32_t style, bool shadow, TOffset offsetX, TOffset offsetY);
    // Removes every font tag found (first occurrence of each) from `line`;
    // the font and effect take the last matching set's (either may be null).
    void ApplyFontTags(std::string& line, CanvasFont* font, TAAEffect* effect) const;

    void Assign(const TFontLabels& source) { AssignItems(source); }

protected:
    [[nodiscard]] std::unique_ptr<TNamedItem> NewItem() override { return std::make_unique<TFontLabel>(this); }
};

enum class TLabelStyle : uint8_t {
    lsLeftJustify,
    lsCenter,
    lsRightJustify,
    lsRegOwner,
    lsRegOrganization,
    lsAppTitle,
    lsDate,
    lsTime,
    lsCustom,
};

class TUserLabel;
class TUserLabels;

using TGetTextEvent = std::function<void(TUserLabel* sender, std::string& text)>;

class TUserLabel : public TNamedItem {
public:
    explicit TUserLabel(TUserLabels* collection = nullptr);

    // The label's value: its own text for lsCustom, else what the style
    // inserts; then OnGetText may replace it.
    [[nodiscard]] std::string Text();
    // Takes effect only for lsCustom.
    void SetText(const std::string& value);
    // The stored text (kept only for lsCustom labels).
    [[nodiscard]] const std::string& StoredText() const { return m_text; }
    [[nodiscard]] TLabelStyle Style() const { return m_style; }
    void SetStyle(TLabelStyle value);

    // Name, stored text, style and handler.
    void Assign(const TNamedItem& source) override;

    TGetTextEvent OnGetText;

protected:
    [[nodiscard]] const char* ClassName() const override { return "TUserLabel"; }

private:
    friend class TUserLabels;
    std::string m_text;
    TLabelStyle m_style = TLabelStyle::lsCustom;
};

struct RegisteredUser;

class TUserLabels : public TNamedCollection {
public:
    // Reads the registered owner and organisation once.
    explicit TUserLabels(TChangeEvent onChange = {});
    // With the owner and organisation given instead of read.
    TUserLabels(TChangeEvent onChange, const RegisteredUser& user);

    [[nodiscard]] TUserLabel& Items(int32_t index) { return static_cast<TUserLabel&>(*m_items.at(size_t(index))); }
    TUserLabel& Add();
    // A new label, or nullptr when the name exists already.
    TUserLabel* AddLabel(const std::string& name, const std::string& text, TLabelStyle style);
    // Replaces each label's tag (first occurrence) by its value, or removes
    // an alignment tag and sets `alignment`.
    void ApplyLabelTags(std::string& line, TAlignment& alignment);

    [[nodiscard]] const std::string& RegOwner() const { return m_regOwner; }
    [[nodiscard]] const std::string& RegOrganization() const { return m_regOrganization; }

    // Labels and the registered values are copied.
    void Assign(const TUserLabels& source);

    // The local time date and time labels show; the system clock by default.
    std::function<std::tm()> Now;

protected:
    [[nodiscard]] std::unique_ptr<TNamedItem> NewItem() override { return std::make_unique<TUserLabel>(this); }

private:
    std::string m_regOwner;
    std::string m_regOrganization;
};

// The tag "<name>" searched in `line` with ASCII letters compared
// case-insensitively: the position of its first occurrence, or npos.
[[nodiscard]] size_t FindTag(std::string_view line, std::string_view name);

// Default contents: the five base font sets (Title1, Title2, Title3, Text1,
// Text2), the two the fade text control adds (Title4, Text3), and the eight
// user labels (Left ... Time). Names that exist already are skipped.
void AddDefaultFontSets(TFontLabels& fonts);
void AddFadeTextFontSets(TFontLabels& fonts);
void AddDefaultUserLabels(TUserLabels& labels);

} // namespace saver
