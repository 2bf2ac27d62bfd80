#pragma once
// Font sets (TFontLabels) and user labels (TUserLabels): named collections
// whose tags in a line of text pick a font with its effect set, or an
// alignment and inserted values. Everything here runs on the GUI thread.

#include "aatext/AAEffects.h"
#include "core/Color.h"
#include "gdi/Canvas.h"
#include "gdi/Font.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace saver {

enum class TAlignment : uint8_t { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

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
