#pragma once
// The effect set of anti-aliased text (shadow, gradient, texture, blur,
// outline, noise, opacity) and the change-reporting settings objects it is
// built from. Everything here runs on the GUI thread.

#include "core/Color.h"
#include "gui/Picture.h"

#include <cstdint>
#include <functional>
#include <utility>

namespace saver {

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

} // namespace saver
