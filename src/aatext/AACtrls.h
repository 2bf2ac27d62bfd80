#pragma once
// The fade text control: a windowless control that shows a list of tagged,
// anti-aliased text lines one at a time and cross-fades from one line to
// the next.
//
// TAAGraphicControl owns the anti-aliased font and turns every change into
// a rebuild (Reset) once the control is loaded; TAACustomText adds the font
// sets and user labels that tags name; TAAFadeText renders each line once
// into an off-screen image and blends the previous and the new image on a
// 25 ms timer, starting a new line every LineDelay milliseconds. The
// parameter blocks (TCustomParam, TCustomTextParam, TFadeTextParam) hold
// the text, its layout, background and timing.
//
// Everything here runs on the GUI thread: both timers are message timers.

#include "aatext/AAFont.h"
#include "gui/Control.h"
#include "gui/FormLoader.h"
#include "gui/Picture.h"
#include "gui/Timer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace saver {

class TAAGraphicControl;
class TAACustomText;
class TAAFadeText;

enum class TTextLayout : uint8_t { tlTop = 0, tlCenter = 1, tlBottom = 2 };
enum class TBackGroundMode : uint8_t { bmTiled = 0, bmStretched = 1, bmCenter = 2, bmNormal = 3 };
enum class TLabelEffect : uint8_t { leOnlyALine = 0, leUntilNextLabel = 1 };

// An ordered list of strings that reports every change through OnChange.
class TStringList {
public:
    TStringList() = default;
    TStringList(const TStringList&) = delete;
    TStringList& operator=(const TStringList&) = delete;

    [[nodiscard]] int32_t Count() const { return int32_t(m_strings.size()); }
    [[nodiscard]] const std::string& Strings(int32_t index) const { return m_strings.at(size_t(index)); }
    [[nodiscard]] const std::vector<std::string>& Items() const { return m_strings; }
    void Add(const std::string& value);
    void Clear();
    // Replaces the strings, reporting once when they differ.
    void SetStrings(std::vector<std::string> strings);
    void Assign(const TStringList& source) { SetStrings(source.m_strings); }
    // The strings each followed by a line break.
    [[nodiscard]] std::string Text() const;

    std::function<void()> OnChange;

private:
    void Changed();
    std::vector<std::string> m_strings;
};

// Property groups that read and write their control's own properties.
class TPackParam : public TPersistent {
public:
    explicit TPackParam(TAAGraphicControl& control) : m_control(control) {}

protected:
    TAAGraphicControl& m_control;
};

class TDrag : public TPackParam {
public:
    using TPackParam::TPackParam;
    [[nodiscard]] uint8_t DragKind() const;
    void SetDragKind(uint8_t value);
    [[nodiscard]] int16_t DragCursor() const;
    void SetDragCursor(int16_t value);
    [[nodiscard]] uint8_t DragMode() const;
    void SetDragMode(uint8_t value);
};

class TParentEffect : public TPackParam {
public:
    using TPackParam::TPackParam;
    [[nodiscard]] bool ParentColor() const;
    void SetParentColor(bool value);
    [[nodiscard]] bool ParentFont() const;
    void SetParentFont(bool value);
    [[nodiscard]] bool ParentShowHint() const;
    void SetParentShowHint(bool value);
};

class TAAGraphicControl : public GraphicControl {
public:
    TAAGraphicControl();
    ~TAAGraphicControl() override;

    // The anti-aliased font; its effect reports to Changed.
    [[nodiscard]] TAAFontEx& AAFont() { return *m_aaFont; }
    [[nodiscard]] bool AutoUpdate() const { return m_autoUpdate; }
    void SetAutoUpdate(bool value);
    [[nodiscard]] TDrag& Drag() { return m_drag; }
    [[nodiscard]] TParentEffect& ParentEffect() { return m_parentEffect; }

    [[nodiscard]] int32_t UpdateLock() const { return m_updateLock; }
    [[nodiscard]] bool IsLoaded() const { return m_isLoaded; }
    void BeginUpdate() { ++m_updateLock; }
    // Lowers the lock without rebuilding.
    void EndUpdate();

    // A request to rebuild the image: runs Reset when the control is loaded,
    // AutoUpdate is on, the framework is not loading, writing, destroying or
    // updating it and no BeginUpdate is open. Otherwise the change is
    // dropped; the next change or resize rebuilds.
    void Changed();
    // Loading is complete: IsLoaded, then InitControl.
    void Loaded() override;

    // The pointer entering and leaving the control (CM_MOUSEENTER,
    // CM_MOUSELEAVE from the framework).
    NotifyEvent OnMouseEnter;
    NotifyEvent OnMouseLeave;

protected:
    friend class TDrag;
    friend class TParentEffect;

    void Paint() override;
    void BoundsChanged(const Rect& oldBounds) override;
    void ColorChanged() override { Changed(); }
    void FontChanged() override { Changed(); }
    void DefaultHandler(Message& message) override;

    virtual void PaintContent() {}
    virtual void InitControl() { Changed(); }
    virtual void Reset() { Invalidate(); }

    // True while the framework's state forbids rebuilding and painting.
    [[nodiscard]] bool Busy() const;

    uint8_t m_dragKind = 0;
    int16_t m_dragCursor = -12;
    uint8_t m_dragMode = 0;

private:
    std::unique_ptr<TAAFontEx> m_aaFont;
    bool m_autoUpdate = true;
    TDrag m_drag{*this};
    TParentEffect m_parentEffect{*this};
    int32_t m_updateLock = 0;
    bool m_isLoaded = false;
    bool m_painting = false;
    int32_t m_lastWidth = 0;
    int32_t m_lastHeight = 0;
};

// Holds a control's update lock for a scope, released even on failure.
class UpdateScope {
public:
    explicit UpdateScope(TAAGraphicControl& control) : m_control(control) { m_control.BeginUpdate(); }
    ~UpdateScope() { m_control.EndUpdate(); }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

private:
    TAAGraphicControl& m_control;
};

class TAACustomText : public TAAGraphicControl {
public:
    TAACustomText();

    [[nodiscard]] TFontLabels& Fonts() { return m_fonts; }
    void SetFonts(const TFontLabels& value) { m_fonts.Assign(value); }
    [[nodiscard]] TUserLabels& Labels() { return m_labels; }
    void SetLabels(const TUserLabels& value) { m_labels.Assign(value); }

    [[nodiscard]] bool FontsDefaulted() const { return m_fontsDefaulted; }
    [[nodiscard]] bool LabelsDefaulted() const { return m_labelsDefaulted; }

    NotifyEvent OnComplete;
    NotifyEvent OnPainted;

protected:
    virtual void CreateDefaultLabels() { AddDefaultUserLabels(m_labels); }
    virtual void CreateDefaultFonts() { AddDefaultFontSets(m_fonts); }
    [[nodiscard]] virtual bool UseDefaultText() { return true; }
    // At design time, while the text is a built-in sample, fills empty
    // collections with their defaults once.
    void InitControl() override;

private:
    TFontLabels m_fonts;
    TUserLabels m_labels;
    bool m_fontsDefaulted = false;
    bool m_labelsDefaulted = false;
};

class TCustomParam : public TNotifyClass {
public:
    TCustomParam(TAACustomText& owner, TChangeEvent onChanged);

    [[nodiscard]] TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment value);
    [[nodiscard]] bool Transparent() const { return m_transparent; }
    void SetTransparent(bool value);
    [[nodiscard]] TTextLayout Layout() const { return m_layout; }
    void SetLayout(TTextLayout value);
    [[nodiscard]] TAACustomText& Owner() const { return m_owner; }
    // Any change of the picture calls Changed.
    [[nodiscard]] Picture& BackGround() { return m_backGround; }
    [[nodiscard]] const Picture& BackGround() const { return m_backGround; }
    void SetBackGround(const Picture* value) { m_backGround.Assign(value); }
    [[nodiscard]] TBackGroundMode BackGroundMode() const { return m_backGroundMode; }
    void SetBackGroundMode(TBackGroundMode value);
    [[nodiscard]] bool FullPaint() const { return m_fullPaint; }
    void SetFullPaint(bool value) { m_fullPaint = value; }
    // The owner's colour.
    [[nodiscard]] TColor BackColor() const;
    void SetBackColor(TColor value);
    // The owner's anti-aliasing quality.
    [[nodiscard]] TAAQuality Quality() const;
    void SetQuality(TAAQuality value);
    // No graphic, or an empty one.
    [[nodiscard]] bool BackGroundEmpty() const;

    void Assign(const TNotifyClass& source) override;

protected:
    TAlignment m_alignment = TAlignment::taLeftJustify;
    TTextLayout m_layout = TTextLayout::tlTop;

private:
    TAACustomText& m_owner;
    bool m_transparent = false;
    Picture m_backGround;
    TBackGroundMode m_backGroundMode = TBackGroundMode::bmCenter;
    bool m_fullPaint = false;
};

class TCustomTextParam : public TCustomParam {
public:
    TCustomTextParam(TAACustomText& owner, TChangeEvent onChanged);

    // Any change calls Changed.
    [[nodiscard]] TStringList& Lines() { return m_lines; }
    [[nodiscard]] const TStringList& Lines() const { return m_lines; }
    void SetLines(const TStringList& value) { m_lines.Assign(value); }
    [[nodiscard]] TLabelEffect LabelEffect() const { return m_labelEffect; }
    void SetLabelEffect(TLabelEffect value);
    [[nodiscard]] TAAEffect& FontEffect() { return m_fontEffect; }
    [[nodiscard]] const TAAEffect& FontEffect() const { return m_fontEffect; }
    void SetFontEffect(const TAAEffect& value) { m_fontEffect.Assign(value); }
    // Whether the lines belong in the stored description.
    [[nodiscard]] virtual bool IsLinesStored() const { return true; }

    void Assign(const TNotifyClass& source) override;

private:
    TStringList m_lines;
    TLabelEffect m_labelEffect = TLabelEffect::leUntilNextLabel;
    TAAEffect m_fontEffect;
};

class TFadeTextParam : public TCustomTextParam {
public:
    // Fills Lines with one of the two built-in samples (the second one time
    // in five), then FadeDelay 600, LineDelay 3000, centred.
    TFadeTextParam(TAAFadeText& owner, TChangeEvent onChanged);

    [[nodiscard]] uint32_t FadeDelay() const { return m_fadeDelay; }
    // Stored, then kept at most LineDelay - 200 and at least 50.
    void SetFadeDelay(uint32_t value);
    // The line timer's interval.
    [[nodiscard]] uint32_t LineDelay() const;
    // At least FadeDelay + 200.
    void SetLineDelay(uint32_t value);
    // The lines are stored only when they are not one of the samples.
    [[nodiscard]] bool IsLinesStored() const override;

    void Assign(const TNotifyClass& source) override;

private:
    TAAFadeText& m_fadeOwner;
    uint32_t m_fadeDelay = 0;
};

// The two built-in sample texts, one string a line.
[[nodiscard]] const std::vector<std::string>& FadeTextSample(int index);

class TAAFadeText : public TAACustomText {
public:
    TAAFadeText();
    ~TAAFadeText() override;

    [[nodiscard]] TFadeTextParam& Text() { return *m_text; }
    void SetText(const TFadeTextParam& value) { m_text->Assign(value); }
    [[nodiscard]] bool Active() const { return m_active; }
    void SetActive(bool value);
    [[nodiscard]] int32_t RepeatCount() const { return m_repeatCount; }
    // Negative counts are ignored; 0 repeats endlessly.
    void SetRepeatCount(int32_t value);

    // Fades from what is shown now to `text`.
    void ShowText(const std::string& text);
    // Fades to line `index` (negative counts as 0; past the end wraps and
    // counts a pass, which may end the run).
    void ShowLine(int32_t index);
    void ShowNextLine() { ShowLine(m_lineIndex + 1); }
    // Prepares one line into `bitmap`: tags, measuring, placement,
    // background, text.
    void RenderLine(std::string text, Bitmap& bitmap);
    // Blends two images byte by byte at position 0..255 into `dest`, which
    // takes the smaller width and height of the two.
    static void BlendImages(Bitmap& dest, const Bitmap& from, const Bitmap& to, uint8_t position);

    [[nodiscard]] int32_t LineIndex() const { return m_lineIndex; }
    [[nodiscard]] uint8_t FadePosition() const { return m_fadePosition; }
    [[nodiscard]] double FadeLevel() const { return m_fadeLevel; }
    [[nodiscard]] int32_t CycleCount() const { return m_cycleCount; }
    [[nodiscard]] const std::string& CurrentText() const { return m_currentText; }
    [[nodiscard]] const std::string& PreviousText() const { return m_previousText; }
    [[nodiscard]] TAlignment CurrentAlignment() const { return m_currentAlignment; }
    [[nodiscard]] const Bitmap& ShownImage() const { return m_shownImage; }
    [[nodiscard]] const Bitmap& FromImage() const { return m_fromImage; }
    [[nodiscard]] const Bitmap& ToImage() const { return m_toImage; }
    [[nodiscard]] Timer& FadeTimer() { return m_fadeTimer; }
    [[nodiscard]] Timer& LineTimer() { return m_lineTimer; }

protected:
    void CreateDefaultFonts() override;
    [[nodiscard]] bool UseDefaultText() override { return !m_text->IsLinesStored(); }
    void InitControl() override;
    void Reset() override;
    void PaintContent() override;

private:
    void FadeTick();
    void SetFadePosition(uint8_t value);
    // What shows through a transparent control: the parent and the
    // windowless controls below this one.
    void CopyParentImage(Canvas& canvas);
    void DrawBackground(Canvas& canvas, const Rect& rect, TBackGroundMode mode, const Graphic& graphic);
    // Renders the previous and current lines (fading) or the current one.
    void RenderShown();

    Bitmap m_shownImage{PixelFormat::pf24bit};
    Bitmap m_fromImage{PixelFormat::pf24bit};
    Bitmap m_toImage{PixelFormat::pf24bit};
    Timer m_fadeTimer;
    Timer m_lineTimer;
    std::unique_ptr<TFadeTextParam> m_text;
    bool m_active = true;
    int32_t m_repeatCount = 0;
    int32_t m_lineIndex = -1;
    uint8_t m_fadePosition = 0;
    double m_fadeLevel = 0.0;
    int32_t m_cycleCount = 0;
    std::string m_currentText;
    std::string m_previousText;
    TAlignment m_currentAlignment = TAlignment::taLeftJustify;
};

// The classes and property tables a stored description uses for the text
// controls: TAAFadeText.
void RegisterAATextClasses(ComponentClasses& classes);

} // namespace saver
