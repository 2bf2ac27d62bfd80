// Font sets, user labels, the tags that name them, and their defaults.
#include "aatext/AALabels.h"
#include "aatext/LocaleText.h"
#include "aatext/RegisteredUser.h"
#include "core/Error.h"
#include "gui/Application.h"

#include <algorithm>
#include <iterator>

namespace saver {

// ---------------------------------------------------------------------------
// Named items and their collections

void TNamedItem::SetName(const std::string& value)
{
    if (!value.empty() && !SameTextLocale(value, m_name) && m_collection && m_collection->IndexOf(value) >= 0)
        throw Exception("Duplicate string!");
    if (value == m_name)
        return;
    m_name = value;
    Changed();
}

std::string TNamedItem::DisplayName() const { return m_name.empty() ? std::string(ClassName()) : m_name; }

void TNamedItem::Changed()
{
    if (m_collection)
        m_collection->Changed();
}

int32_t TNamedCollection::IndexOf(std::string_view name) const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (SameTextLocale(m_items[i]->Name(), name))
            return int32_t(i);
    return -1;
}

namespace {

void CheckIndex(int32_t index, size_t count)
{
    if (index < 0 || size_t(index) >= count)
        throw Exception("List index out of bounds (" + std::to_string(index) + ")");
}

} // namespace

void TNamedCollection::Delete(int32_t index)
{
    CheckIndex(index, m_items.size());
    m_items.erase(m_items.begin() + index);
    Changed();
}

void TNamedCollection::Move(int32_t from, int32_t to)
{
    CheckIndex(from, m_items.size());
    CheckIndex(to, m_items.size());
    if (from == to)
        return;
    auto first = m_items.begin();
    if (from < to)
        std::rotate(first + from, first + from + 1, first + to + 1);
    else
        std::rotate(first + to, first + from, first + from + 1);
    Changed();
}

void TNamedCollection::Clear()
{
    if (m_items.empty())
        return;
    m_items.clear();
    Changed();
}

void TNamedCollection::Changed()
{
    if (m_updateCount == 0 && OnChange)
        OnChange(this);
}

void TNamedCollection::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0)
        Changed();
}

TNamedItem& TNamedCollection::AddItem(std::unique_ptr<TNamedItem> item)
{
    m_items.push_back(std::move(item));
    Changed();
    return *m_items.back();
}

void TNamedCollection::AssignItems(const TNamedCollection& source)
{
    if (&source == this)
        return;
    BeginUpdate();
    m_items.clear();
    for (const auto& entry : source.m_items)
        AddItem(NewItem()).Assign(*entry);
    EndUpdate();
}

// ---------------------------------------------------------------------------
// Tags

size_t FindTag(std::string_view line, std::string_view name)
{
    // ASCII letters only: the bytes of multibyte characters stay as they
    // are, so the length, and with it every position, is kept.
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    std::string text(line), tag;
    std::transform(text.begin(), text.end(), text.begin(), upper);
    tag.reserve(name.size() + 2);
    tag += '<';
    std::transform(name.begin(), name.end(), std::back_inserter(tag), upper);
    tag += '>';
    return text.find(tag);
}

// ---------------------------------------------------------------------------
// Font sets

TFontLabel::TFontLabel(TFontLabels* collection) : TNamedItem(collection)
{
    m_font.OnChange = [this] { Changed(); };
    m_effect.OnChanged = [this](TPersistent*) { Changed(); };
}

void TFontLabel::Assign(const TNamedItem& source)
{
    const auto& other = dynamic_cast<const TFontLabel&>(source);
    if (&other == this)
        return;
    m_name = other.m_name;
    m_font.Assign(other.m_font);
    m_effect.Assign(other.m_effect);
}

TFontLabel& TFontLabels::Add() { return static_cast<TFontLabel&>(AddItem(NewItem())); }

TFontLabel* TFontLabels::AddFont(const std::string& name, const std::string& face, int32_t points, TColor color,
                                 uint32_t style, bool shadow, TOffset offsetX, TOffset offsetY)
{
    if (IndexOf(name) >= 0)
        return nullptr;
    TFontLabel& item = Add();
    StoreName(item, name);
    item.Font().SetName(face);
    item.Font().SetSize(points);
    item.Font().SetColor(color);
    item.Font().SetStyle(style);
    item.Effect().Shadow().SetEnabled(shadow);
    item.Effect().Shadow().SetOffsetX(offsetX);
    item.Effect().Shadow().SetOffsetY(offsetY);
    return &item;
}

void TFontLabels::ApplyFontTags(std::string& line, CanvasFont* font, TAAEffect* effect) const
{
    for (const auto& entry : m_items) {
        const auto& item = static_cast<const TFontLabel&>(*entry);
        const size_t at = FindTag(line, item.Name());
        if (at == std::string::npos)
            continue;
        if (font)
            *font = item.Font().Get();
        if (effect)
            effect->Assign(item.Effect());
        line.erase(at, item.Name().size() + 2);
    }
}

// ---------------------------------------------------------------------------
// User labels

TUserLabel::TUserLabel(TUserLabels* collection) : TNamedItem(collection) {}

std::string TUserLabel::Text()
{
    const auto* labels = static_cast<const TUserLabels*>(m_collection);
    const auto now = [labels] { return labels && labels->Now ? labels->Now() : LocalNow(); };
    std::string value;
    switch (m_style) {
    case TLabelStyle::lsLeftJustify:
    case TLabelStyle::lsCenter:
    case TLabelStyle::lsRightJustify:
        break;
    case TLabelStyle::lsRegOwner:
        value = labels ? labels->RegOwner() : std::string();
        break;
    case TLabelStyle::lsRegOrganization:
        value = labels ? labels->RegOrganization() : std::string();
        break;
    case TLabelStyle::lsAppTitle:
        value = Application::Exists() ? Application::Current().Title() : std::string();
        break;
    case TLabelStyle::lsDate:
        value = FormatShortDate(now());
        break;
    case TLabelStyle::lsTime:
        value = FormatLongTime(now());
        break;
    case TLabelStyle::lsCustom:
        value = m_text;
        break;
    }
    if (OnGetText)
        OnGetText(this, value);
    return value;
}

void TUserLabel::SetText(const std::string& value)
{
    if (m_style != TLabelStyle::lsCustom || m_text == value)
        return;
    m_text = value;
    Changed();
}

void TUserLabel::SetStyle(TLabelStyle value)
{
    if (m_style == value)
        return;
    m_style = value;
    Changed();
}

void TUserLabel::Assign(const TNamedItem& source)
{
    const auto& other = dynamic_cast<const TUserLabel&>(source);
    if (&other == this)
        return;
    m_name = other.m_name;
    m_text = other.m_text;
    m_style = other.m_style;
    OnGetText = other.OnGetText;
}

TUserLabels::TUserLabels(TChangeEvent onChange) : TUserLabels(std::move(onChange), ReadRegisteredUser()) {}

TUserLabels::TUserLabels(TChangeEvent onChange, const RegisteredUser& user)
    : TNamedCollection(std::move(onChange)), Now(LocalNow), m_regOwner(user.Owner),
      m_regOrganization(user.Organization)
{
}

TUserLabel& TUserLabels::Add() { return static_cast<TUserLabel&>(AddItem(NewItem())); }

TUserLabel* TUserLabels::AddLabel(const std::string& name, const std::string& text, TLabelStyle style)
{
    if (IndexOf(name) >= 0)
        return nullptr;
    TUserLabel& item = Add();
    StoreName(item, name);
    item.m_text = text;
    item.m_style = style;
    return &item;
}

void TUserLabels::ApplyLabelTags(std::string& line, TAlignment& alignment)
{
    // Indexed by style: left, centre, right.
    static constexpr TAlignment kAlignments[] = {TAlignment::taLeftJustify, TAlignment::taCenter,
                                                 TAlignment::taRightJustify};
    for (auto& entry : m_items) {
        auto& item = static_cast<TUserLabel&>(*entry);
        const size_t at = FindTag(line, item.Name());
        if (at == std::string::npos)
            continue;
        line.erase(at, item.Name().size() + 2);
        if (item.Style() <= TLabelStyle::lsRightJustify)
            alignment = kAlignments[size_t(item.Style())];
        else
            line.insert(at, item.Text());
    }
}

void TUserLabels::Assign(const TUserLabels& source)
{
    if (&source == this)
        return;
    BeginUpdate();
    AssignItems(source);
    m_regOwner = source.m_regOwner;
    m_regOrganization = source.m_regOrganization;
    Now = source.Now;
    EndUpdate();
}

// ---------------------------------------------------------------------------
// Defaults

namespace {
// The Windows face names; fontconfig aliases map them to installed fonts.
constexpr const char* kHeiTi = "黑体";
constexpr const char* kKaiTi = "楷体_GB2312";
constexpr const char* kLiShu = "隶书";
} // namespace

void AddDefaultFontSets(TFontLabels& fonts)
{
    fonts.AddFont("Title1", kHeiTi, 12, clBlack, fsBold, true, 2, 2);
    fonts.AddFont("Title2", kHeiTi, 9, clBlue, fsBold, true, 1, 1);
    fonts.AddFont("Title3", kKaiTi, 11, clBlue, fsNone, true, 2, 2);
    fonts.AddFont("Text1", kKaiTi, 9, clBlack, fsNone, false, 1, 1);
    fonts.AddFont("Text2", kKaiTi, 8, clTeal, fsNone, true, 1, 1);
}

void AddFadeTextFontSets(TFontLabels& fonts)
{
    if (TFontLabel* title4 = fonts.AddFont("Title4", kLiShu, 22, clBlack, fsNone, true, 2, 2)) {
        TAAEffect& effect = title4->Effect();
        effect.Gradual().SetEnabled(true);
        effect.Gradual().SetStyle(TGradualStyle::gsLeftToRight);
        effect.Gradual().SetStartColor(0xFF2200);
        effect.Gradual().SetEndColor(0x2210FF);
        effect.SetOutline(true);
        effect.SetBlur(50);
    }
    if (TFontLabel* text3 = fonts.AddFont("Text3", kLiShu, 11, clBlue, fsNone, true, 1, 1)) {
        TAAEffect& effect = text3->Effect();
        effect.Gradual().SetEnabled(true);
        effect.Gradual().SetStyle(TGradualStyle::gsTopToBottom);
        effect.Gradual().SetStartColor(0xCC8811);
        effect.Gradual().SetEndColor(0xFF22AA);
    }
}

void AddDefaultUserLabels(TUserLabels& labels)
{
    labels.AddLabel("Left", "", TLabelStyle::lsLeftJustify);
    labels.AddLabel("Center", "", TLabelStyle::lsCenter);
    labels.AddLabel("Right", "", TLabelStyle::lsRightJustify);
    labels.AddLabel("Owner", "", TLabelStyle::lsRegOwner);
    labels.AddLabel("Organization", "", TLabelStyle::lsRegOrganization);
    labels.AddLabel("AppTitle", "", TLabelStyle::lsAppTitle);
    labels.AddLabel("Date", "", TLabelStyle::lsDate);
    labels.AddLabel("Time", "", TLabelStyle::lsTime);
}

} // namespace saver
