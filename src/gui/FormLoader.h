#pragma once
// Forms and their components created from a stored description: a text in
// the form-file notation, compiled into the program.
//
//   object Form2: TForm2
//     Caption = 'Form2'
//     Color = clWhite
//     object Text1: TSomeControl
//       Left = 8
//       Font.Style = [fsBold]
//       Lines.Strings = (
//         'one'
//         'two')
//       Items = <
//         item
//           Name = 'A'
//         end>
//     end
//   end
//
// Values: whole numbers (optional sign, or $ and hexadecimal digits);
// strings made of pieces written next to each other or joined with +, each
// piece either '...' ('' stands for a quote) or #N, the character with code
// point N, stored as UTF-8; identifiers (enumeration values, True, False,
// colour names); sets [a, b]; lists ( v v ... ); collections
// < item ... end ... >; binary data { hex digits, two a byte, spaces and
// line breaks between them ignored }. Property names may be dotted
// (Font.Height). Names are compared exactly.
//
// A picture is stored as binary data under "<property>.Data": its graphic
// class as a short string (a length byte, then the name), then the
// graphic's own data, for TJPEGImage and TBitmap a 4-byte little-endian
// length followed by that many bytes of a JPEG file or of a BMP file
// (uncompressed, 24 or 32 bits a pixel).
//
// Loading a form: the form is marked loading and reading and its properties
// are set. Each child object's class is looked up, the component is created,
// named, handed to the form (which owns it), parented to the nearest
// enclosing windowed control, marked loading and reading, and given its
// properties. Then reading ends for all of them, and every loaded component,
// the form first and the others in the order they were read, is told that
// loading is complete (Component::Loaded). Properties are set through
// explicit tables of names to setters, one per class. A syntax error, an
// unknown class or property, or a value of the wrong kind throws
// EDescriptionError naming the line.

#include "core/Color.h"
#include "core/Error.h"
#include "gui/Control.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace saver {

class Form;
class Picture;

class EDescriptionError : public Exception {
public:
    EDescriptionError(int line, const std::string& what)
        : Exception("Stored description, line " + std::to_string(line) + ": " + what)
    {
    }
};

struct StoredProperty;

// One `item ... end` of a collection value.
struct StoredItem {
    std::vector<StoredProperty> Properties;
    int Line = 0;
};

struct StoredValue {
    enum class Kind { Integer, String, Identifier, Set, List, Collection, Binary };
    Kind Type = Kind::Integer;
    int64_t Number = 0;             // Integer
    std::string Text;               // String, Identifier
    std::vector<std::string> Names; // Set
    std::vector<StoredValue> Elements;
    std::vector<StoredItem> Items; // Collection
    std::vector<uint8_t> Bytes;    // Binary
    int Line = 0;

    // Each throws EDescriptionError when the value is of another kind.
    [[nodiscard]] int64_t AsInteger() const;
    // A whole number that fits the range.
    [[nodiscard]] int64_t AsInteger(int64_t min, int64_t max) const;
    [[nodiscard]] const std::string& AsString() const;
    [[nodiscard]] const std::string& AsIdentifier() const;
    [[nodiscard]] bool AsBoolean() const;
    // A colour name (clBlack ... clWindowText) or a number.
    [[nodiscard]] TColor AsColor() const;
    // A list of strings.
    [[nodiscard]] std::vector<std::string> AsStrings() const;
    [[nodiscard]] const std::vector<uint8_t>& AsBytes() const;

    // An identifier that names one of the values.
    template <class E>
    [[nodiscard]] E AsEnum(std::initializer_list<std::pair<std::string_view, E>> values) const
    {
        const std::string& name = AsIdentifier();
        for (const auto& [text, value] : values)
            if (text == name)
                return value;
        throw EDescriptionError(Line, "unknown value " + name);
    }
    // An identifier that names a value of an enumeration counted from 0;
    // `names` are its values' names in order.
    template <class E>
    [[nodiscard]] E AsEnumIndex(std::initializer_list<std::string_view> names) const
    {
        const std::string& name = AsIdentifier();
        int index = 0;
        for (const std::string_view text : names) {
            if (text == name)
                return E(index);
            ++index;
        }
        throw EDescriptionError(Line, "unknown value " + name);
    }
    // A set of names, each one of the flags; the flags or'ed together.
    [[nodiscard]] uint32_t AsSet(std::initializer_list<std::pair<std::string_view, uint32_t>> flags) const;
};

struct StoredProperty {
    std::string Name;
    StoredValue Value;
    int Line = 0;
};

struct StoredObject {
    std::string Name;
    std::string ClassName;
    std::vector<StoredProperty> Properties;
    std::vector<StoredObject> Children;
    int Line = 0;
};

// Throws EDescriptionError on any syntax error.
[[nodiscard]] StoredObject ParseDescription(std::string_view text);

// Property names of one class mapped to setters.
template <class T>
class PropertyTable {
public:
    using Setter = std::function<void(T&, const StoredValue&)>;

    PropertyTable& Add(const std::string& name, Setter setter)
    {
        m_setters[name] = std::move(setter);
        return *this;
    }

    // Every property of a base class's table.
    template <class Base>
    PropertyTable& Inherit(const PropertyTable<Base>& base)
    {
        for (const auto& [name, setter] : base.Setters())
            m_setters[name] = [setter](T& target, const StoredValue& value) { setter(target, value); };
        return *this;
    }

    // The properties of a part of T, reached through `part`, as
    // "prefix.name".
    template <class Part, class Access>
    PropertyTable& Nest(const std::string& prefix, Access part, const PropertyTable<Part>& table)
    {
        for (const auto& [name, setter] : table.Setters())
            m_setters[prefix + "." + name] = [setter, part](T& target, const StoredValue& value) {
                setter(part(target), value);
            };
        return *this;
    }

    // Throws EDescriptionError for a property the table does not know.
    void Set(T& target, const StoredProperty& property, std::string_view className) const
    {
        const auto found = m_setters.find(property.Name);
        if (found == m_setters.end())
            throw EDescriptionError(property.Line, std::string(className) + " has no property " + property.Name);
        found->second(target, property.Value);
    }

    void SetAll(T& target, const std::vector<StoredProperty>& properties, std::string_view className) const
    {
        for (const StoredProperty& property : properties)
            Set(target, property, className);
    }

    [[nodiscard]] const std::map<std::string, Setter, std::less<>>& Setters() const { return m_setters; }

private:
    std::map<std::string, Setter, std::less<>> m_setters;
};

// The classes a description may name.
class ComponentClasses {
public:
    struct Entry {
        // Empty for a class that is only ever the root of a description.
        std::function<std::unique_ptr<Component>()> Create;
        std::function<void(Component&, const StoredProperty&)> SetProperty;
        std::function<bool(const Component&)> IsInstance;
    };

    // A class whose components the description creates.
    template <class T>
    void Register(const std::string& name, PropertyTable<T> table)
    {
        Entry entry = RootEntry(name, std::move(table));
        entry.Create = [] { return std::make_unique<T>(); };
        m_entries[name] = std::move(entry);
    }
    // A class that only appears as the root (a form loaded in place).
    template <class T>
    void RegisterRoot(const std::string& name, PropertyTable<T> table)
    {
        m_entries[name] = RootEntry(name, std::move(table));
    }

    [[nodiscard]] const Entry* Find(std::string_view name) const
    {
        const auto found = m_entries.find(name);
        return found == m_entries.end() ? nullptr : &found->second;
    }

private:
    template <class T>
    static Entry RootEntry(const std::string& name, PropertyTable<T> table)
    {
        Entry entry;
        entry.SetProperty = [name, table = std::move(table)](Component& component, const StoredProperty& property) {
            auto* target = dynamic_cast<T*>(&component);
            if (!target)
                throw EDescriptionError(property.Line, component.Name + " is not a " + name);
            table.Set(*target, property, name);
        };
        entry.IsInstance = [](const Component& component) { return dynamic_cast<const T*>(&component) != nullptr; };
        return entry;
    }

    std::map<std::string, Entry, std::less<>> m_entries;
};

// What Form::Create loads a form class from.
struct FormDescription {
    std::string_view Text;
    const ComponentClasses* Classes = nullptr;
};

// The properties every control has: Left, Top, Width, Height, Visible,
// Enabled, Color, ParentColor, Align.
[[nodiscard]] const PropertyTable<Control>& ControlProperties();
// The control properties and the form's own: Caption, BorderStyle,
// FormStyle, WindowState, KeyPreview, ClientWidth, ClientHeight.
[[nodiscard]] const PropertyTable<Form>& FormProperties();

// A form class T, with the form properties, as the root of descriptions.
template <class T>
void RegisterFormRoot(ComponentClasses& classes, const std::string& name)
{
    PropertyTable<T> table;
    table.Inherit(FormProperties());
    classes.RegisterRoot(name, std::move(table));
}

// Sets a picture from its stored data (see the top of this file); throws
// EDescriptionError for an unknown graphic class or malformed data.
void ReadPictureData(Picture& picture, const StoredValue& value);

// Loads a form from a parsed description (see the top of this file).
void LoadForm(Form& form, const StoredObject& description, const ComponentClasses& classes);

} // namespace saver
