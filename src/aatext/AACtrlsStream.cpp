// The property tables through which a stored description configures the
// text controls, their font sets, user labels, effects and parameters.
#include "aatext/AACtrls.h"

namespace saver {

namespace {

using V = const StoredValue&;

uint8_t Percent(V v) { return uint8_t(v.AsInteger(0, 100)); }

const PropertyTable<TFont>& FontProperties()
{
    static const PropertyTable<TFont> table = [] {
        PropertyTable<TFont> t;
        t.Add("Name", [](TFont& f, V v) { f.SetName(v.AsString()); });
        t.Add("Height", [](TFont& f, V v) { f.SetHeight(int32_t(v.AsInteger(INT16_MIN, INT16_MAX))); });
        t.Add("Size", [](TFont& f, V v) { f.SetSize(int32_t(v.AsInteger(INT16_MIN, INT16_MAX))); });
        t.Add("Color", [](TFont& f, V v) { f.SetColor(v.AsColor()); });
        t.Add("Style", [](TFont& f, V v) {
            f.SetStyle(v.AsSet({{"fsBold", fsBold}, {"fsItalic", fsItalic}, {"fsUnderline", fsUnderline},
                                {"fsStrikeOut", fsStrikeOut}}));
        });
        t.Add("Charset", [](TFont& f, V v) {
            if (v.Type == StoredValue::Kind::Integer) {
                f.SetCharset(uint8_t(v.AsInteger(0, 255)));
                return;
            }
            f.SetCharset(v.AsEnum<uint8_t>({{"ANSI_CHARSET", 0},
                                            {"DEFAULT_CHARSET", 1},
                                            {"SYMBOL_CHARSET", 2},
                                            {"SHIFTJIS_CHARSET", 128},
                                            {"HANGEUL_CHARSET", 129},
                                            {"GB2312_CHARSET", 134},
                                            {"CHINESEBIG5_CHARSET", 136},
                                            {"OEM_CHARSET", 255}}));
        });
        return t;
    }();
    return table;
}

const PropertyTable<TAAEffect>& EffectProperties()
{
    static const PropertyTable<TAAEffect> table = [] {
        PropertyTable<TAAShadow> shadow;
        shadow.Add("Enabled", [](TAAShadow& s, V v) { s.SetEnabled(v.AsBoolean()); });
        shadow.Add("Blur", [](TAAShadow& s, V v) { s.SetBlur(Percent(v)); });
        shadow.Add("Alpha", [](TAAShadow& s, V v) { s.SetAlpha(Percent(v)); });
        shadow.Add("Color", [](TAAShadow& s, V v) { s.SetColor(v.AsColor()); });
        shadow.Add("OffsetX", [](TAAShadow& s, V v) { s.SetOffsetX(TOffset(v.AsInteger(-20, 20))); });
        shadow.Add("OffsetY", [](TAAShadow& s, V v) { s.SetOffsetY(TOffset(v.AsInteger(-20, 20))); });

        PropertyTable<TAAGradual> gradual;
        gradual.Add("Enabled", [](TAAGradual& g, V v) { g.SetEnabled(v.AsBoolean()); });
        gradual.Add("Style", [](TAAGradual& g, V v) {
            g.SetStyle(v.AsEnum<TGradualStyle>({{"gsLeftToRight", TGradualStyle::gsLeftToRight},
                                                {"gsRightToLeft", TGradualStyle::gsRightToLeft},
                                                {"gsTopToBottom", TGradualStyle::gsTopToBottom},
                                                {"gsBottomToTop", TGradualStyle::gsBottomToTop}}));
        });
        gradual.Add("StartColor", [](TAAGradual& g, V v) { g.SetStartColor(v.AsColor()); });
        gradual.Add("EndColor", [](TAAGradual& g, V v) { g.SetEndColor(v.AsColor()); });

        PropertyTable<TAATexture> texture;
        texture.Add("Enabled", [](TAATexture& x, V v) { x.SetEnabled(v.AsBoolean()); });
        texture.Add("Mode", [](TAATexture& x, V v) {
            x.SetMode(v.AsEnum<TTextureMode>({{"tmTiled", TTextureMode::tmTiled},
                                              {"tmStretched", TTextureMode::tmStretched},
                                              {"tmCenter", TTextureMode::tmCenter},
                                              {"tmNormal", TTextureMode::tmNormal}}));
        });
        texture.Add("Picture.Data", [](TAATexture& x, V v) { ReadPictureData(x.GetPicture(), v); });

        PropertyTable<TAAEffect> t;
        t.Nest("Shadow", [](TAAEffect& e) -> TAAShadow& { return e.Shadow(); }, shadow);
        t.Nest("Gradual", [](TAAEffect& e) -> TAAGradual& { return e.Gradual(); }, gradual);
        t.Nest("Texture", [](TAAEffect& e) -> TAATexture& { return e.Texture(); }, texture);
        t.Add("Alpha", [](TAAEffect& e, V v) { e.SetAlpha(Percent(v)); });
        t.Add("Blur", [](TAAEffect& e, V v) { e.SetBlur(Percent(v)); });
        t.Add("Noise", [](TAAEffect& e, V v) { e.SetNoise(uint8_t(v.AsInteger(0, 255))); });
        t.Add("Outline", [](TAAEffect& e, V v) { e.SetOutline(v.AsBoolean()); });
        return t;
    }();
    return table;
}

void ReadFonts(TFontLabels& fonts, V value)
{
    static const PropertyTable<TFontLabel> table = [] {
        PropertyTable<TFontLabel> t;
        t.Add("Name", [](TFontLabel& l, V v) { l.SetName(v.AsString()); });
        t.Nest("Font", [](TFontLabel& l) -> TFont& { return l.Font(); }, FontProperties());
        t.Nest("Effect", [](TFontLabel& l) -> TAAEffect& { return l.Effect(); }, EffectProperties());
        return t;
    }();
    if (value.Type != StoredValue::Kind::Collection)
        throw EDescriptionError(value.Line, "expected a collection of font sets");
    fonts.Clear();
    for (const StoredItem& item : value.Items)
        table.SetAll(fonts.Add(), item.Properties, "TFontLabel");
}

void ReadLabels(TUserLabels& labels, V value)
{
    static const PropertyTable<TUserLabel> table = [] {
        PropertyTable<TUserLabel> t;
        t.Add("Name", [](TUserLabel& l, V v) { l.SetName(v.AsString()); });
        // Only custom labels (the default style) keep a text.
        t.Add("Text", [](TUserLabel& l, V v) { l.SetText(v.AsString()); });
        t.Add("Style", [](TUserLabel& l, V v) {
            l.SetStyle(v.AsEnum<TLabelStyle>({{"lsLeftJustify", TLabelStyle::lsLeftJustify},
                                              {"lsCenter", TLabelStyle::lsCenter},
                                              {"lsRightJustify", TLabelStyle::lsRightJustify},
                                              {"lsRegOwner", TLabelStyle::lsRegOwner},
                                              {"lsRegOrganization", TLabelStyle::lsRegOrganization},
                                              {"lsAppTitle", TLabelStyle::lsAppTitle},
                                              {"lsDate", TLabelStyle::lsDate},
                                              {"lsTime", TLabelStyle::lsTime},
                                              {"lsCustom", TLabelStyle::lsCustom}}));
        });
        return t;
    }();
    if (value.Type != StoredValue::Kind::Collection)
        throw EDescriptionError(value.Line, "expected a collection of user labels");
    labels.Clear();
    for (const StoredItem& item : value.Items)
        table.SetAll(labels.Add(), item.Properties, "TUserLabel");
}

const PropertyTable<TFadeTextParam>& FadeTextParamProperties()
{
    static const PropertyTable<TFadeTextParam> table = [] {
        PropertyTable<TFadeTextParam> t;
        t.Add("FadeDelay", [](TFadeTextParam& p, V v) { p.SetFadeDelay(uint32_t(v.AsInteger(0, UINT32_MAX))); });
        t.Add("LineDelay", [](TFadeTextParam& p, V v) { p.SetLineDelay(uint32_t(v.AsInteger(0, UINT32_MAX))); });
        t.Add("Lines.Strings", [](TFadeTextParam& p, V v) { p.Lines().SetStrings(v.AsStrings()); });
        t.Add("Transparent", [](TFadeTextParam& p, V v) { p.SetTransparent(v.AsBoolean()); });
        t.Add("Alignment", [](TFadeTextParam& p, V v) {
            p.SetAlignment(v.AsEnum<TAlignment>({{"taLeftJustify", TAlignment::taLeftJustify},
                                                 {"taRightJustify", TAlignment::taRightJustify},
                                                 {"taCenter", TAlignment::taCenter}}));
        });
        t.Add("Layout", [](TFadeTextParam& p, V v) {
            p.SetLayout(v.AsEnum<TTextLayout>({{"tlTop", TTextLayout::tlTop},
                                               {"tlCenter", TTextLayout::tlCenter},
                                               {"tlBottom", TTextLayout::tlBottom}}));
        });
        t.Add("Quality", [](TFadeTextParam& p, V v) {
            p.SetQuality(v.AsEnum<TAAQuality>({{"aqHigh", TAAQuality::aqHigh},
                                               {"aqNormal", TAAQuality::aqNormal},
                                               {"aqLow", TAAQuality::aqLow},
                                               {"aqNone", TAAQuality::aqNone}}));
        });
        t.Nest("FontEffect", [](TFadeTextParam& p) -> TAAEffect& { return p.FontEffect(); }, EffectProperties());
        t.Add("FullPaint", [](TFadeTextParam& p, V v) { p.SetFullPaint(v.AsBoolean()); });
        t.Add("LabelEffect", [](TFadeTextParam& p, V v) {
            p.SetLabelEffect(v.AsEnum<TLabelEffect>(
                {{"leOnlyALine", TLabelEffect::leOnlyALine}, {"leUntilNextLabel", TLabelEffect::leUntilNextLabel}}));
        });
        t.Add("BackColor", [](TFadeTextParam& p, V v) { p.SetBackColor(v.AsColor()); });
        t.Add("BackGround.Data", [](TFadeTextParam& p, V v) { ReadPictureData(p.BackGround(), v); });
        t.Add("BackGroundMode", [](TFadeTextParam& p, V v) {
            p.SetBackGroundMode(v.AsEnum<TBackGroundMode>({{"bmTiled", TBackGroundMode::bmTiled},
                                                           {"bmStretched", TBackGroundMode::bmStretched},
                                                           {"bmCenter", TBackGroundMode::bmCenter},
                                                           {"bmNormal", TBackGroundMode::bmNormal}}));
        });
        return t;
    }();
    return table;
}

} // namespace

void RegisterAATextClasses(ComponentClasses& classes)
{
    PropertyTable<TAAFadeText> t;
    t.Inherit(ControlProperties());
    t.Add("AutoUpdate", [](TAAFadeText& c, V v) { c.SetAutoUpdate(v.AsBoolean()); });
    t.Add("Active", [](TAAFadeText& c, V v) { c.SetActive(v.AsBoolean()); });
    t.Add("RepeatCount", [](TAAFadeText& c, V v) { c.SetRepeatCount(int32_t(v.AsInteger(0, INT32_MAX))); });
    t.Add("Hint", [](TAAFadeText& c, V v) { c.Hint = v.AsString(); });
    t.Add("ShowHint", [](TAAFadeText& c, V v) { c.SetShowHint(v.AsBoolean()); });
    t.Nest("Font", [](TAAFadeText& c) -> TFont& { return c.Font(); }, FontProperties());
    t.Add("ParentEffect.ParentColor", [](TAAFadeText& c, V v) { c.ParentEffect().SetParentColor(v.AsBoolean()); });
    t.Add("ParentEffect.ParentFont", [](TAAFadeText& c, V v) { c.ParentEffect().SetParentFont(v.AsBoolean()); });
    t.Add("ParentEffect.ParentShowHint",
          [](TAAFadeText& c, V v) { c.ParentEffect().SetParentShowHint(v.AsBoolean()); });
    t.Add("Drag.DragKind", [](TAAFadeText& c, V v) { c.Drag().SetDragKind(uint8_t(v.AsInteger(0, 1))); });
    t.Add("Drag.DragCursor",
          [](TAAFadeText& c, V v) { c.Drag().SetDragCursor(int16_t(v.AsInteger(INT16_MIN, INT16_MAX))); });
    t.Add("Drag.DragMode", [](TAAFadeText& c, V v) { c.Drag().SetDragMode(uint8_t(v.AsInteger(0, 1))); });
    t.Add("Fonts", [](TAAFadeText& c, V v) { ReadFonts(c.Fonts(), v); });
    t.Add("Labels", [](TAAFadeText& c, V v) { ReadLabels(c.Labels(), v); });
    t.Nest("Text", [](TAAFadeText& c) -> TFadeTextParam& { return c.Text(); }, FadeTextParamProperties());
    classes.Register("TAAFadeText", std::move(t));
}

} // namespace saver
