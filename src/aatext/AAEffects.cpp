// The effect set: settings objects and their change chain.
#include "aatext/AAEffects.h"
#include "aatext/AAInternal.h"

namespace saver {

using aatext::Store;

void TNotifyClass::Assign(const TNotifyClass&) {}

void TNotifyClass::Changed()
{
    if (OnChanged)
        OnChanged(this);
}

void TNotifyClass::ChildChanged(TPersistent*) { Changed(); }

void TEnabledClass::SetEnabled(bool value)
{
    if (m_enabled == value)
        return;
    m_enabled = value;
    // Switching is reported whatever the new state.
    if (OnChanged)
        OnChanged(this);
}

void TEnabledClass::Changed()
{
    if (m_enabled)
        TNotifyClass::Changed();
}

void TEnabledClass::Assign(const TNotifyClass& source)
{
    TNotifyClass::Assign(source);
    if (const auto* other = dynamic_cast<const TEnabledClass*>(&source))
        m_enabled = other->m_enabled;
}

void TAAShadow::SetBlur(TBlurStrength value) { Store(*this, m_blur, value); }
void TAAShadow::SetAlpha(TAlpha value) { Store(*this, m_alpha, value); }
void TAAShadow::SetColor(TColor value) { Store(*this, m_color, value); }
void TAAShadow::SetOffsetX(TOffset value) { Store(*this, m_offsetX, value); }
void TAAShadow::SetOffsetY(TOffset value) { Store(*this, m_offsetY, value); }

void TAAShadow::Assign(const TNotifyClass& source)
{
    TEnabledClass::Assign(source);
    if (const auto* other = dynamic_cast<const TAAShadow*>(&source)) {
        m_blur = other->m_blur;
        m_alpha = other->m_alpha;
        m_color = other->m_color;
        m_offsetX = other->m_offsetX;
        m_offsetY = other->m_offsetY;
    }
}

void TAAGradual::SetStyle(TGradualStyle value) { Store(*this, m_style, value); }
void TAAGradual::SetStartColor(TColor value) { Store(*this, m_startColor, value); }
void TAAGradual::SetEndColor(TColor value) { Store(*this, m_endColor, value); }

void TAAGradual::Assign(const TNotifyClass& source)
{
    TEnabledClass::Assign(source);
    if (const auto* other = dynamic_cast<const TAAGradual*>(&source)) {
        m_style = other->m_style;
        m_startColor = other->m_startColor;
        m_endColor = other->m_endColor;
    }
}

TAATexture::TAATexture(TChangeEvent onChanged) : TEnabledClass(std::move(onChanged))
{
    m_picture.OnChange = [this] { Changed(); };
}

void TAATexture::SetMode(TTextureMode value) { Store(*this, m_mode, value); }

bool TAATexture::HasGraphic() const
{
    const Graphic* graphic = m_picture.GetGraphic();
    return graphic && !graphic->Empty();
}

void TAATexture::Assign(const TNotifyClass& source)
{
    TEnabledClass::Assign(source);
    if (const auto* other = dynamic_cast<const TAATexture*>(&source)) {
        m_mode = other->m_mode;
        // The copy reports through the picture's change (while enabled).
        m_picture.Assign(&other->m_picture);
    }
}

TAAEffect::TAAEffect(TChangeEvent onChanged) : TNotifyClass(std::move(onChanged))
{
    const TChangeEvent child = [this](TPersistent* sender) { ChildChanged(sender); };
    m_shadow.OnChanged = child;
    m_gradual.OnChanged = child;
    m_texture.OnChanged = child;
}

void TAAEffect::SetShadow(const TAAShadow& value)
{
    m_shadow.Assign(value);
    Changed();
}

void TAAEffect::SetGradual(const TAAGradual& value)
{
    m_gradual.Assign(value);
    Changed();
}

void TAAEffect::SetTexture(const TAATexture& value)
{
    m_texture.Assign(value);
    Changed();
}

void TAAEffect::SetAlpha(TAlpha value) { Store(*this, m_alpha, value); }
void TAAEffect::SetBlur(TBlurStrength value) { Store(*this, m_blur, value); }
void TAAEffect::SetNoise(uint8_t value) { Store(*this, m_noise, value); }
void TAAEffect::SetOutline(bool value) { Store(*this, m_outline, value); }

void TAAEffect::Assign(const TNotifyClass& source)
{
    TNotifyClass::Assign(source);
    if (const auto* other = dynamic_cast<const TAAEffect*>(&source)) {
        m_alpha = other->m_alpha;
        m_blur = other->m_blur;
        m_noise = other->m_noise;
        m_outline = other->m_outline;
        m_shadow.Assign(other->m_shadow);
        m_gradual.Assign(other->m_gradual);
        m_texture.Assign(other->m_texture);
    }
}

} // namespace saver
