// The fade text control, its bases and its parameter blocks.
#include "aatext/AACtrls.h"

#include "aatext/AAInternal.h"
#include "core/Random.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace saver {

// ---------------------------------------------------------------------------
// String list

void TStringList::Changed()
{
    if (OnChange)
        OnChange();
}

void TStringList::Add(const std::string& value)
{
    m_strings.push_back(value);
    Changed();
}

void TStringList::Clear()
{
    if (m_strings.empty())
        return;
    m_strings.clear();
    Changed();
}

void TStringList::SetStrings(std::vector<std::string> strings)
{
    if (strings == m_strings)
        return;
    m_strings = std::move(strings);
    Changed();
}

std::string TStringList::Text() const
{
    std::string text;
    for (const std::string& line : m_strings)
        text += line + "\n";
    return text;
}

// ---------------------------------------------------------------------------
// Property groups

uint8_t TDrag::DragKind() const { return m_control.m_dragKind; }
void TDrag::SetDragKind(uint8_t value) { m_control.m_dragKind = value; }
int16_t TDrag::DragCursor() const { return m_control.m_dragCursor; }
void TDrag::SetDragCursor(int16_t value) { m_control.m_dragCursor = value; }
uint8_t TDrag::DragMode() const { return m_control.m_dragMode; }
void TDrag::SetDragMode(uint8_t value) { m_control.m_dragMode = value; }

bool TParentEffect::ParentColor() const { return m_control.ParentColor(); }
void TParentEffect::SetParentColor(bool value) { m_control.SetParentColor(value); }
bool TParentEffect::ParentFont() const { return m_control.ParentFont(); }
void TParentEffect::SetParentFont(bool value) { m_control.SetParentFont(value); }
bool TParentEffect::ParentShowHint() const { return m_control.ParentShowHint(); }
void TParentEffect::SetParentShowHint(bool value) { m_control.SetParentShowHint(value); }

// ---------------------------------------------------------------------------
// TAAGraphicControl

TAAGraphicControl::TAAGraphicControl() : m_aaFont(std::make_unique<TAAFontEx>(&m_canvas))
{
    m_aaFont->Effect().OnChanged = [this](TPersistent*) { Changed(); };
    // A graphic control takes its parent's colour until it is given one.
    m_parentColor = true;
}

TAAGraphicControl::~TAAGraphicControl() { IncludeState(csDestroying); }

void TAAGraphicControl::SetAutoUpdate(bool value)
{
    if (value == m_autoUpdate)
        return;
    m_autoUpdate = value;
    if (value && (ComponentState() & csDesigning))
        Changed();
}

void TAAGraphicControl::EndUpdate()
{
    if (m_updateLock > 0)
        --m_updateLock;
}

bool TAAGraphicControl::Busy() const
{
    return (ComponentState() & (csLoading | csReading | csWriting | csDestroying | csUpdating)) != 0;
}

void TAAGraphicControl::Changed()
{
    if (m_isLoaded && m_autoUpdate && !Busy() && m_updateLock == 0)
        Reset();
}

void TAAGraphicControl::Loaded()
{
    GraphicControl::Loaded();
    m_isLoaded = true;
    InitControl();
}

void TAAGraphicControl::Paint()
{
    if (Busy())
        return;
    if ((ComponentState() & csDesigning) && !m_isLoaded) {
        m_isLoaded = true;
        InitControl();
    }
    if (m_painting)
        return;
    m_painting = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{m_painting};
    PaintContent();
}

void TAAGraphicControl::BoundsChanged(const Rect& oldBounds)
{
    if (Height() != m_lastHeight || Width() != m_lastWidth) {
        m_lastWidth = Width();
        m_lastHeight = Height();
        Changed();
    }
    GraphicControl::BoundsChanged(oldBounds);
}

void TAAGraphicControl::DefaultHandler(Message& message)
{
    if (message.Msg == CM_MOUSEENTER && OnMouseEnter)
        OnMouseEnter(this);
    else if (message.Msg == CM_MOUSELEAVE && OnMouseLeave)
        OnMouseLeave(this);
    GraphicControl::DefaultHandler(message);
}

// ---------------------------------------------------------------------------
// TAACustomText

TAACustomText::TAACustomText()
    : m_fonts([this](TPersistent*) { Changed(); }), m_labels([this](TPersistent*) { Changed(); })
{
}

void TAACustomText::InitControl()
{
    UpdateScope lock(*this);
    if (!(ComponentState() & csDesigning))
        return;
    if (UseDefaultText() && m_fonts.Count() == 0 && !m_fontsDefaulted) {
        m_fontsDefaulted = true;
        CreateDefaultFonts();
    }
    if (UseDefaultText() && m_labels.Count() == 0 && !m_labelsDefaulted) {
        m_labelsDefaulted = true;
        CreateDefaultLabels();
    }
}

// ---------------------------------------------------------------------------
// Parameter blocks

using aatext::Store;

TCustomParam::TCustomParam(TAACustomText& owner, TChangeEvent onChanged)
    : TNotifyClass(std::move(onChanged)), m_owner(owner)
{
    m_backGround.OnChange = [this] { Changed(); };
}

void TCustomParam::SetAlignment(TAlignment value) { Store(*this, m_alignment, value); }
void TCustomParam::SetTransparent(bool value) { Store(*this, m_transparent, value); }
void TCustomParam::SetLayout(TTextLayout value) { Store(*this, m_layout, value); }
void TCustomParam::SetBackGroundMode(TBackGroundMode value) { Store(*this, m_backGroundMode, value); }

TColor TCustomParam::BackColor() const { return m_owner.Color(); }
void TCustomParam::SetBackColor(TColor value) { m_owner.SetColor(value); }

TAAQuality TCustomParam::Quality() const { return m_owner.AAFont().Mask().Quality(); }

void TCustomParam::SetQuality(TAAQuality value)
{
    if (value == Quality())
        return;
    m_owner.AAFont().Mask().SetQuality(value);
    Changed();
}

bool TCustomParam::BackGroundEmpty() const
{
    const Graphic* graphic = m_backGround.GetGraphic();
    return !graphic || graphic->Empty();
}

void TCustomParam::Assign(const TNotifyClass& source)
{
    const auto* other = dynamic_cast<const TCustomParam*>(&source);
    if (!other)
        return;
    m_alignment = other->m_alignment;
    m_transparent = other->m_transparent;
    m_layout = other->m_layout;
    m_backGround.Assign(&other->m_backGround);
    m_backGroundMode = other->m_backGroundMode;
}

TCustomTextParam::TCustomTextParam(TAACustomText& owner, TChangeEvent onChanged)
    : TCustomParam(owner, std::move(onChanged))
{
    m_lines.OnChange = [this] { Changed(); };
    m_fontEffect.OnChanged = [this](TPersistent* sender) { ChildChanged(sender); };
}

void TCustomTextParam::SetLabelEffect(TLabelEffect value) { Store(*this, m_labelEffect, value); }

void TCustomTextParam::Assign(const TNotifyClass& source)
{
    TCustomParam::Assign(source);
    if (const auto* other = dynamic_cast<const TCustomTextParam*>(&source)) {
        m_labelEffect = other->m_labelEffect;
        m_lines.Assign(other->m_lines);
    }
}

const std::vector<std::string>& FadeTextSample(int index)
{
    // Each shows off the tags: the first the titles, plain text and the
    // registered user, the second the gradient sets.
    static const std::vector<std::string> samples[2] = {
        {
            "<Title1><Center>Fade Text",
            "<Title2><Center>Lines of smooth text, one at a time",
            "<Title3><Center>each fading into the next",
            "<Text1><Center>Registered to <Owner>",
            "<Text1><Center><Organization>",
        },
        {
            "<Center><Title4>Fade Text",
            "<Text3><Center>Gradients, outlines and soft shadows",
            "<Text2><Center>set by the tags of each line",
        },
    };
    return samples[index == 1 ? 1 : 0];
}

TFadeTextParam::TFadeTextParam(TAAFadeText& owner, TChangeEvent onChanged)
    : TCustomTextParam(owner, std::move(onChanged)), m_fadeOwner(owner)
{
    Randomize();
    Lines().SetStrings(FadeTextSample(Random(5) == 1 ? 1 : 0));
    SetFadeDelay(600);
    SetLineDelay(3000);
    SetAlignment(TAlignment::taCenter);
    SetLayout(TTextLayout::tlCenter);
}

void TFadeTextParam::SetFadeDelay(uint32_t value)
{
    if (value == m_fadeDelay)
        return;
    m_fadeDelay = value;
    // Unsigned, as the timer interval is: a line delay under 200 wraps to a
    // large limit.
    const uint32_t limit = LineDelay() - 200u;
    if (m_fadeDelay > limit)
        m_fadeDelay = limit;
    if (m_fadeDelay < 50)
        m_fadeDelay = 50;
}

uint32_t TFadeTextParam::LineDelay() const { return m_fadeOwner.LineTimer().Interval(); }

void TFadeTextParam::SetLineDelay(uint32_t value)
{
    m_fadeOwner.LineTimer().SetInterval(std::max(value, m_fadeDelay + 200u));
}

bool TFadeTextParam::IsLinesStored() const
{
    return Lines().Items() != FadeTextSample(0) && Lines().Items() != FadeTextSample(1);
}

void TFadeTextParam::Assign(const TNotifyClass& source)
{
    TCustomTextParam::Assign(source);
    if (const auto* other = dynamic_cast<const TFadeTextParam*>(&source)) {
        m_fadeDelay = other->m_fadeDelay;
        SetLineDelay(other->LineDelay());
    }
}

// ---------------------------------------------------------------------------
// TAAFadeText

TAAFadeText::TAAFadeText()
{
    m_fadeTimer.SetEnabled(false);
    m_fadeTimer.SetInterval(25);
    m_fadeTimer.OnTimer = [this](Component*) { FadeTick(); };
    m_lineTimer.SetEnabled(false);
    m_lineTimer.OnTimer = [this](Component*) { ShowNextLine(); };
    m_text = std::make_unique<TFadeTextParam>(*this, [this](TPersistent*) { Changed(); });
    m_currentAlignment = m_text->Alignment();
    SetColor(clWhite);
    SetBounds(0, 0, 240, 34);
}

TAAFadeText::~TAAFadeText()
{
    IncludeState(csDestroying);
    m_fadeTimer.SetEnabled(false);
    m_lineTimer.SetEnabled(false);
}

void TAAFadeText::CreateDefaultFonts()
{
    TAACustomText::CreateDefaultFonts();
    AddFadeTextFontSets(Fonts());
}

void TAAFadeText::InitControl()
{
    TAACustomText::InitControl();
    m_currentAlignment = m_text->Alignment();
    Reset();
    m_cycleCount = 0;
    m_lineTimer.SetEnabled(m_active);
    if (m_active)
        ShowNextLine();
}

void TAAFadeText::RenderShown()
{
    if (m_fadePosition != 0) {
        RenderLine(m_previousText, m_fromImage);
        RenderLine(m_currentText, m_toImage);
    } else {
        RenderLine(m_currentText, m_shownImage);
    }
}

void TAAFadeText::Reset()
{
    RenderShown();
    if (m_fadePosition != 0)
        BlendImages(m_shownImage, m_fromImage, m_toImage, m_fadePosition);
    Invalidate();
}

void TAAFadeText::SetActive(bool value)
{
    if (value == m_active)
        return;
    m_active = value;
    m_lineTimer.SetEnabled(value);
    if (value) {
        m_cycleCount = 0;
        ShowNextLine();
    }
}

void TAAFadeText::SetRepeatCount(int32_t value)
{
    if (value >= 0)
        m_repeatCount = value;
}

void TAAFadeText::RenderLine(std::string text, Bitmap& bitmap)
{
    // Copying effects below may report changes (a texture picture copy);
    // they must not start another rendering from within this one.
    UpdateScope lock(*this);
    Canvas& canvas = bitmap.GetCanvas();
    AAFont().SetCanvas(&canvas);
    if (m_text->LabelEffect() == TLabelEffect::leOnlyALine) {
        canvas.Font = Font().Get();
        AAFont().Effect().Assign(m_text->FontEffect());
        m_currentAlignment = m_text->Alignment();
    }
    Fonts().ApplyFontTags(text, &canvas.Font, &AAFont().Effect());
    Labels().ApplyLabelTags(text, m_currentAlignment);

    const int32_t h = AAFont().TextHeight(text);
    const int32_t w = AAFont().TextWidth(text);
    int32_t x = 0;
    switch (m_currentAlignment) {
    case TAlignment::taLeftJustify:
        break;
    case TAlignment::taRightJustify:
        x = ClientWidth() - w;
        break;
    case TAlignment::taCenter:
        x = (ClientWidth() - w) / 2;
        break;
    }
    int32_t y = 0;
    switch (m_text->Layout()) {
    case TTextLayout::tlTop:
        break;
    case TTextLayout::tlCenter:
        y = (ClientHeight() - h) / 2;
        break;
    case TTextLayout::tlBottom:
        y = ClientHeight() - h;
        break;
    }

    bitmap.SetPixelFormat(PixelFormat::pf24bit);
    bitmap.SetSize(ClientWidth(), ClientHeight());
    canvas.Brush = {Color(), BrushStyle::bsSolid};
    if (m_text->Transparent())
        CopyParentImage(canvas);
    else if (m_text->BackGroundEmpty())
        canvas.FillRect(ClientRect());
    else
        DrawBackground(canvas, ClientRect(), m_text->BackGroundMode(), *m_text->BackGround().GetGraphic());
    canvas.Brush.Style = BrushStyle::bsClear;
    AAFont().TextOut(x, y, text);
}

void TAAFadeText::DrawBackground(Canvas& canvas, const Rect& rect, TBackGroundMode mode, const Graphic& graphic)
{
    {
        const CanvasStateSaver restore(canvas);
        canvas.Brush.Style = BrushStyle::bsSolid;
        canvas.FillRect(rect);
    }
    if (!graphic.Empty())
        aatext::PlaceGraphic(canvas, rect, aatext::Placement(mode), graphic);
}

namespace {

// Marks a control as painting a copy for a scope.
class PaintingCopyScope {
public:
    explicit PaintingCopyScope(Control& control) : m_control(control) { m_control.SetPaintingCopy(true); }
    ~PaintingCopyScope() { m_control.SetPaintingCopy(false); }
    PaintingCopyScope(const PaintingCopyScope&) = delete;
    PaintingCopyScope& operator=(const PaintingCopyScope&) = delete;

private:
    Control& m_control;
};

} // namespace

void TAAFadeText::CopyParentImage(Canvas& canvas)
{
    WinControl* parent = Parent();
    if (!parent)
        return;
    PaintingCopyScope parentCopy(*parent);
    {
        const CanvasStateSaver restore(canvas);
        canvas.SetOrigin(canvas.Origin().Translated(-Left(), -Top()));
        canvas.SetDeviceClip(parent->ClientRect());
        try {
            parent->PaintContentTo(canvas);
        } catch (const std::exception&) {
            // What the parent could not paint stays as it was; the controls
            // below this one are still copied.
        }
    }
    for (Control* control : parent->Controls()) {
        if (control == this)
            break;
        auto* graphic = dynamic_cast<GraphicControl*>(control);
        if (!graphic || !graphic->Visible() || graphic->BoundsRect().Intersected(BoundsRect()).IsEmpty())
            continue;
        PaintingCopyScope copy(*graphic);
        graphic->PaintTo(canvas, {graphic->Left() - Left(), graphic->Top() - Top()}, graphic->ClientRect());
    }
}

void TAAFadeText::ShowText(const std::string& text)
{
    m_fromImage.Assign(m_shownImage);
    RenderLine(text, m_toImage);
    m_previousText = m_currentText;
    m_currentText = text;
    m_fadePosition = 0;
    m_fadeTimer.SetEnabled(true);
}

void TAAFadeText::ShowLine(int32_t index)
{
    const TStringList& lines = m_text->Lines();
    if (lines.Count() == 0)
        return;
    index = std::max(index, 0);
    if (index > lines.Count() - 1) {
        index = 0;
        ++m_cycleCount;
        if (m_repeatCount > 0 && m_cycleCount >= m_repeatCount) {
            SetActive(false);
            m_cycleCount = 0;
            m_lineIndex = -1;
            // The last line fades out to the bare background.
            ShowText(std::string());
            if (OnComplete)
                OnComplete(this);
            return;
        }
    }
    ShowText(lines.Strings(index));
    m_lineIndex = index;
}

void TAAFadeText::FadeTick()
{
    if (std::abs(m_fadeLevel - m_fadePosition) > 1.0)
        m_fadeLevel = m_fadePosition; // a new fade has started at 0
    // At least 1: with a fade delay above 6375 ms the whole-number step
    // would be 0 and the fade would never end.
    const uint32_t delay = std::max(m_text->FadeDelay(), 1u);
    const uint32_t step = std::max(m_fadeTimer.Interval() * 255u / delay, 1u);
    m_fadeLevel += step;
    if (m_fadeLevel > 255.0) {
        m_fadeLevel = 255.0;
        m_fadeTimer.SetEnabled(false);
    }
    SetFadePosition(uint8_t(std::nearbyint(m_fadeLevel)));
}

void TAAFadeText::SetFadePosition(uint8_t value)
{
    if (value == m_fadePosition)
        return;
    m_fadePosition = value;
    // Painted at once, not queued: each step shows on its own.
    Repaint();
}

void TAAFadeText::PaintContent()
{
    if (m_text->Transparent() && m_text->FullPaint())
        RenderShown();
    if (m_fadePosition != 0)
        BlendImages(m_shownImage, m_fromImage, m_toImage, m_fadePosition);
    m_canvas.Draw(0, 0, m_shownImage);
    if (OnPainted)
        OnPainted(this);
}

void TAAFadeText::BlendImages(Bitmap& dest, const Bitmap& from, const Bitmap& to, uint8_t position)
{
    if (position == 0) {
        dest.Assign(from);
        return;
    }
    if (position == 255) {
        dest.Assign(to);
        return;
    }
    const int32_t width = std::min(from.Width(), to.Width());
    const int32_t height = std::min(from.Height(), to.Height());
    dest.SetPixelFormat(PixelFormat::pf24bit);
    dest.SetSize(width, height);
    // The three images may differ in format; blending is byte by byte, so
    // both sources are read as 24-bit rows.
    Bitmap from24(PixelFormat::pf24bit), to24(PixelFormat::pf24bit);
    const Bitmap* a = &from;
    const Bitmap* b = &to;
    if (from.GetPixelFormat() != PixelFormat::pf24bit) {
        from24.Assign(from);
        from24.SetPixelFormat(PixelFormat::pf24bit);
        a = &from24;
    }
    if (to.GetPixelFormat() != PixelFormat::pf24bit) {
        to24.Assign(to);
        to24.SetPixelFormat(PixelFormat::pf24bit);
        b = &to24;
    }
    const int32_t bytes = width * 3;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* f = a->ScanLine(y);
        const uint8_t* t = b->ScanLine(y);
        uint8_t* d = dest.ScanLine(y);
        for (int32_t i = 0; i < bytes; ++i)
            // Floor towards minus infinity: the arithmetic shift of a
            // negative product rounds down.
            d[i] = uint8_t(f[i] + (((int32_t(t[i]) - int32_t(f[i])) * position) >> 8));
    }
}

} // namespace saver
