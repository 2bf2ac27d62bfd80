#include "gui/FormLoader.h"

#include "core/Utf8.h"
#include "gui/Form.h"
#include "gui/Picture.h"

#include <cctype>
#include <charconv>
#include <limits>

namespace saver {

// ------------------------------------------------------------------ values

namespace {

const char* KindName(StoredValue::Kind kind)
{
    switch (kind) {
    case StoredValue::Kind::Integer:
        return "a number";
    case StoredValue::Kind::String:
        return "a string";
    case StoredValue::Kind::Identifier:
        return "a name";
    case StoredValue::Kind::Set:
        return "a set";
    case StoredValue::Kind::List:
        return "a list";
    case StoredValue::Kind::Collection:
        return "a collection";
    case StoredValue::Kind::Binary:
        return "binary data";
    }
    return "a value";
}

void Expect(const StoredValue& value, StoredValue::Kind kind)
{
    if (value.Type != kind)
        throw EDescriptionError(value.Line,
                                std::string("expected ") + KindName(kind) + ", found " + KindName(value.Type));
}

} // namespace

int64_t StoredValue::AsInteger() const
{
    Expect(*this, Kind::Integer);
    return Number;
}

int64_t StoredValue::AsInteger(int64_t min, int64_t max) const
{
    const int64_t value = AsInteger();
    if (value < min || value > max)
        throw EDescriptionError(Line, std::to_string(value) + " is outside " + std::to_string(min) + " .. " +
                                          std::to_string(max));
    return value;
}

const std::string& StoredValue::AsString() const
{
    Expect(*this, Kind::String);
    return Text;
}

const std::string& StoredValue::AsIdentifier() const
{
    Expect(*this, Kind::Identifier);
    return Text;
}

bool StoredValue::AsBoolean() const { return AsEnum<bool>({{"True", true}, {"False", false}}); }

TColor StoredValue::AsColor() const
{
    if (Type == Kind::Integer)
        return TColor(AsInteger(std::numeric_limits<int32_t>::min(), std::numeric_limits<uint32_t>::max()));
    return AsEnum<TColor>({{"clBlack", clBlack},
                           {"clWhite", clWhite},
                           {"clRed", clRed},
                           {"clGreen", clGreen},
                           {"clBlue", clBlue},
                           {"clTeal", clTeal},
                           {"clGray", clGray},
                           {"clNone", clNone},
                           {"clWindow", clWindow},
                           {"clWindowText", clWindowText},
                           {"clBtnFace", clBtnFace},
                           {"clBtnText", clBtnText}});
}

std::vector<std::string> StoredValue::AsStrings() const
{
    Expect(*this, Kind::List);
    std::vector<std::string> strings;
    for (const StoredValue& element : Elements)
        strings.push_back(element.AsString());
    return strings;
}

const std::vector<uint8_t>& StoredValue::AsBytes() const
{
    Expect(*this, Kind::Binary);
    return Bytes;
}

uint32_t StoredValue::AsSet(std::initializer_list<std::pair<std::string_view, uint32_t>> flags) const
{
    Expect(*this, Kind::Set);
    uint32_t result = 0;
    for (const std::string& name : Names) {
        bool known = false;
        for (const auto& [text, flag] : flags)
            if (text == name) {
                result |= flag;
                known = true;
            }
        if (!known)
            throw EDescriptionError(Line, "unknown set element " + name);
    }
    return result;
}

// ------------------------------------------------------------------ parser

namespace {

struct Token {
    enum class Kind { End, Name, Number, String, Symbol, Binary };
    Kind Type = Kind::End;
    std::string Text; // the name, the decoded string, the symbol, or the bytes
    int64_t Number = 0;
    int Line = 1;
};

void AppendUtf8(std::string& out, uint32_t code, int line)
{
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        throw EDescriptionError(line, "#" + std::to_string(code) + " is no character");
    saver::AppendUtf8(out, code);
}

class Lexer {
public:
    explicit Lexer(std::string_view text) : m_text(text) { Advance(); }

    [[nodiscard]] const Token& Peek() const { return m_token; }
    Token Take()
    {
        Token token = std::move(m_token);
        Advance();
        return token;
    }

private:
    [[nodiscard]] bool AtEnd() const { return m_at >= m_text.size(); }
    [[nodiscard]] char Current() const { return m_text[m_at]; }

    void SkipSpace()
    {
        while (!AtEnd()) {
            const char c = Current();
            if (c == '\n')
                ++m_line;
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
                ++m_at;
            else if (c == '/' && m_at + 1 < m_text.size() && m_text[m_at + 1] == '/')
                while (!AtEnd() && Current() != '\n')
                    ++m_at;
            else
                break;
        }
    }

    int64_t ReadDigits(int base)
    {
        const size_t start = m_at;
        while (!AtEnd() && std::isxdigit(static_cast<unsigned char>(Current())) &&
               (base == 16 || std::isdigit(static_cast<unsigned char>(Current()))))
            ++m_at;
        int64_t value = 0;
        const auto [end, error] = std::from_chars(m_text.data() + start, m_text.data() + m_at, value, base);
        if (start == m_at || error != std::errc() || end != m_text.data() + m_at)
            throw EDescriptionError(m_line, "malformed number");
        return value;
    }

    // One string value: quoted pieces and #N characters, written next to
    // each other.
    std::string ReadString()
    {
        std::string text;
        while (!AtEnd() && (Current() == '\'' || Current() == '#')) {
            if (Current() == '#') {
                ++m_at;
                const bool hex = !AtEnd() && Current() == '$';
                if (hex)
                    ++m_at;
                AppendUtf8(text, uint32_t(std::min<int64_t>(ReadDigits(hex ? 16 : 10), 0x110000)), m_line);
                continue;
            }
            ++m_at;
            for (;;) {
                if (AtEnd() || Current() == '\n')
                    throw EDescriptionError(m_line, "unterminated string");
                if (Current() == '\'') {
                    if (m_at + 1 < m_text.size() && m_text[m_at + 1] == '\'') {
                        text += '\'';
                        m_at += 2;
                        continue;
                    }
                    ++m_at;
                    break;
                }
                text += Current();
                ++m_at;
            }
        }
        return text;
    }

    // Binary data: pairs of hexadecimal digits up to the closing brace.
    std::string ReadBinary()
    {
        ++m_at;
        std::string bytes;
        std::string pair;
        for (;;) {
            SkipSpace();
            if (AtEnd())
                throw EDescriptionError(m_line, "unterminated binary data");
            const char c = Current();
            ++m_at;
            if (c == '}')
                break;
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                throw EDescriptionError(m_line, std::string("'") + c + "' in binary data");
            pair += c;
            if (pair.size() == 2) {
                bytes += char(std::stoi(pair, nullptr, 16));
                pair.clear();
            }
        }
        if (!pair.empty())
            throw EDescriptionError(m_line, "odd number of digits in binary data");
        return bytes;
    }

    void Advance()
    {
        SkipSpace();
        m_token = Token{};
        m_token.Line = m_line;
        if (AtEnd())
            return;
        const char c = Current();
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            const size_t start = m_at;
            while (!AtEnd() && (std::isalnum(static_cast<unsigned char>(Current())) || Current() == '_' ||
                                Current() == '.'))
                ++m_at;
            m_token.Type = Token::Kind::Name;
            m_token.Text = std::string(m_text.substr(start, m_at - start));
        } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '$') {
            if ((c == '+' || c == '-') &&
                (m_at + 1 >= m_text.size() || !std::isdigit(static_cast<unsigned char>(m_text[m_at + 1])))) {
                ++m_at;
                m_token.Type = Token::Kind::Symbol;
                m_token.Text = std::string(1, c);
                return;
            }
            const bool negative = c == '-';
            if (c == '-' || c == '+')
                ++m_at;
            const bool hex = !AtEnd() && Current() == '$';
            if (hex)
                ++m_at;
            const int64_t value = ReadDigits(hex ? 16 : 10);
            m_token.Type = Token::Kind::Number;
            m_token.Number = negative ? -value : value;
        } else if (c == '\'' || c == '#') {
            m_token.Type = Token::Kind::String;
            m_token.Text = ReadString();
        } else if (c == '{') {
            m_token.Type = Token::Kind::Binary;
            m_token.Text = ReadBinary();
        } else if (std::string_view("=:[](),<>").find(c) != std::string_view::npos) {
            ++m_at;
            m_token.Type = Token::Kind::Symbol;
            m_token.Text = std::string(1, c);
        } else {
            throw EDescriptionError(m_line, std::string("unexpected character '") + c + "'");
        }
    }

    std::string_view m_text;
    size_t m_at = 0;
    int m_line = 1;
    Token m_token;
};

class Parser {
public:
    explicit Parser(std::string_view text) : m_lexer(text) {}

    StoredObject Document()
    {
        StoredObject root = Object();
        if (m_lexer.Peek().Type != Token::Kind::End)
            Fail("text after the last end");
        return root;
    }

private:
    [[noreturn]] void Fail(const std::string& what) { throw EDescriptionError(m_lexer.Peek().Line, what); }

    [[nodiscard]] bool IsSymbol(char symbol) const
    {
        return m_lexer.Peek().Type == Token::Kind::Symbol && m_lexer.Peek().Text[0] == symbol;
    }
    [[nodiscard]] bool IsWord(std::string_view word) const
    {
        return m_lexer.Peek().Type == Token::Kind::Name && m_lexer.Peek().Text == word;
    }
    void Symbol(char symbol)
    {
        if (!IsSymbol(symbol))
            Fail(std::string("expected '") + symbol + "'");
        m_lexer.Take();
    }
    std::string Name(const char* what)
    {
        if (m_lexer.Peek().Type != Token::Kind::Name)
            Fail(std::string("expected ") + what);
        return m_lexer.Take().Text;
    }

    StoredObject Object()
    {
        StoredObject object;
        object.Line = m_lexer.Peek().Line;
        if (!IsWord("object") && !IsWord("inherited"))
            Fail("expected object");
        m_lexer.Take();
        object.Name = Name("a component name");
        Symbol(':');
        object.ClassName = Name("a class name");
        while (!IsWord("end")) {
            if (m_lexer.Peek().Type == Token::Kind::End)
                Fail("missing end of " + object.Name);
            if (IsWord("object") || IsWord("inherited"))
                object.Children.push_back(Object());
            else
                object.Properties.push_back(Property());
        }
        m_lexer.Take();
        return object;
    }

    StoredProperty Property()
    {
        StoredProperty property;
        property.Line = m_lexer.Peek().Line;
        property.Name = Name("a property name");
        Symbol('=');
        property.Value = Value();
        return property;
    }

    StoredValue Value()
    {
        StoredValue value;
        value.Line = m_lexer.Peek().Line;
        const Token& token = m_lexer.Peek();
        switch (token.Type) {
        case Token::Kind::Number:
            value.Type = StoredValue::Kind::Integer;
            value.Number = m_lexer.Take().Number;
            return value;
        case Token::Kind::String:
            value.Type = StoredValue::Kind::String;
            value.Text = m_lexer.Take().Text;
            // Pieces of a long string joined with +.
            while (IsSymbol('+')) {
                m_lexer.Take();
                if (m_lexer.Peek().Type != Token::Kind::String)
                    Fail("expected a string after +");
                value.Text += m_lexer.Take().Text;
            }
            return value;
        case Token::Kind::Name:
            value.Type = StoredValue::Kind::Identifier;
            value.Text = m_lexer.Take().Text;
            return value;
        case Token::Kind::Binary: {
            value.Type = StoredValue::Kind::Binary;
            const std::string bytes = m_lexer.Take().Text;
            value.Bytes.assign(bytes.begin(), bytes.end());
            return value;
        }
        case Token::Kind::End:
            Fail("expected a value");
        case Token::Kind::Symbol:
            break;
        }
        if (IsSymbol('[')) {
            m_lexer.Take();
            value.Type = StoredValue::Kind::Set;
            while (!IsSymbol(']')) {
                if (!value.Names.empty())
                    Symbol(',');
                value.Names.push_back(Name("a set element"));
            }
            m_lexer.Take();
        } else if (IsSymbol('(')) {
            m_lexer.Take();
            value.Type = StoredValue::Kind::List;
            while (!IsSymbol(')'))
                value.Elements.push_back(Value());
            m_lexer.Take();
        } else if (IsSymbol('<')) {
            m_lexer.Take();
            value.Type = StoredValue::Kind::Collection;
            while (!IsSymbol('>')) {
                StoredItem item;
                item.Line = m_lexer.Peek().Line;
                if (!IsWord("item"))
                    Fail("expected item");
                m_lexer.Take();
                while (!IsWord("end"))
                    item.Properties.push_back(Property());
                m_lexer.Take();
                value.Items.push_back(std::move(item));
            }
            m_lexer.Take();
        } else {
            Fail("expected a value, found '" + token.Text + "'");
        }
        return value;
    }

    Lexer m_lexer;
};

} // namespace

StoredObject ParseDescription(std::string_view text) { return Parser(text).Document(); }

// ------------------------------------------------------------ standard tables

const PropertyTable<Control>& ControlProperties()
{
    static const PropertyTable<Control> table = [] {
        PropertyTable<Control> t;
        t.Add("Left", [](Control& c, const StoredValue& v) {
            c.SetBounds(int32_t(v.AsInteger(INT16_MIN, INT16_MAX)), c.Top(), c.Width(), c.Height());
        });
        t.Add("Top", [](Control& c, const StoredValue& v) {
            c.SetBounds(c.Left(), int32_t(v.AsInteger(INT16_MIN, INT16_MAX)), c.Width(), c.Height());
        });
        t.Add("Width", [](Control& c, const StoredValue& v) { c.SetWidth(int32_t(v.AsInteger(0, INT16_MAX))); });
        t.Add("Height", [](Control& c, const StoredValue& v) { c.SetHeight(int32_t(v.AsInteger(0, INT16_MAX))); });
        t.Add("Visible", [](Control& c, const StoredValue& v) { c.SetVisible(v.AsBoolean()); });
        t.Add("Enabled", [](Control& c, const StoredValue& v) { c.SetEnabled(v.AsBoolean()); });
        t.Add("Color", [](Control& c, const StoredValue& v) { c.SetColor(v.AsColor()); });
        t.Add("ParentColor", [](Control& c, const StoredValue& v) { c.SetParentColor(v.AsBoolean()); });
        t.Add("Align", [](Control& c, const StoredValue& v) {
            c.SetAlign(v.AsEnum<Align>({{"alNone", Align::alNone},
                                        {"alTop", Align::alTop},
                                        {"alBottom", Align::alBottom},
                                        {"alLeft", Align::alLeft},
                                        {"alRight", Align::alRight},
                                        {"alClient", Align::alClient}}));
        });
        return t;
    }();
    return table;
}

const PropertyTable<Form>& FormProperties()
{
    static const PropertyTable<Form> table = [] {
        PropertyTable<Form> t;
        t.Inherit(ControlProperties());
        t.Add("Caption", [](Form& f, const StoredValue& v) { f.Caption = v.AsString(); });
        t.Add("BorderStyle", [](Form& f, const StoredValue& v) {
            f.FormBorderStyle = v.AsEnum<BorderStyle>({{"bsNone", BorderStyle::bsNone},
                                                       {"bsSingle", BorderStyle::bsSingle},
                                                       {"bsSizeable", BorderStyle::bsSizeable},
                                                       {"bsDialog", BorderStyle::bsDialog}});
        });
        t.Add("FormStyle", [](Form& f, const StoredValue& v) {
            f.Style = v.AsEnum<FormStyle>({{"fsNormal", FormStyle::fsNormal}, {"fsStayOnTop", FormStyle::fsStayOnTop}});
        });
        t.Add("WindowState", [](Form& f, const StoredValue& v) {
            f.State = v.AsEnum<WindowState>({{"wsNormal", WindowState::wsNormal},
                                             {"wsMinimized", WindowState::wsMinimized},
                                             {"wsMaximized", WindowState::wsMaximized}});
        });
        t.Add("KeyPreview", [](Form& f, const StoredValue& v) { f.KeyPreview = v.AsBoolean(); });
        t.Add("ClientWidth", [](Form& f, const StoredValue& v) {
            f.SetClientSize(int32_t(v.AsInteger(0, INT16_MAX)), f.ClientHeight());
        });
        t.Add("ClientHeight", [](Form& f, const StoredValue& v) {
            f.SetClientSize(f.ClientWidth(), int32_t(v.AsInteger(0, INT16_MAX)));
        });
        return t;
    }();
    return table;
}

// ------------------------------------------------------------------ pictures

namespace {

uint32_t LittleEndian(const std::vector<uint8_t>& bytes, size_t at, size_t size)
{
    uint32_t value = 0;
    for (size_t i = size; i-- > 0;)
        value = value << 8 | bytes[at + i];
    return value;
}

// An uncompressed BMP file of 24 or 32 bits a pixel, rows bottom-up (or
// top-down with a negative height), each padded to four bytes.
std::unique_ptr<Graphic> DecodeBmp(const std::vector<uint8_t>& file, int line)
{
    constexpr size_t kHeaders = 14 + 40;
    if (file.size() < kHeaders || file[0] != 'B' || file[1] != 'M')
        throw EDescriptionError(line, "not a BMP file");
    const uint32_t offset = LittleEndian(file, 10, 4);
    const auto width = int32_t(LittleEndian(file, 18, 4));
    const auto height = int32_t(LittleEndian(file, 22, 4));
    const uint32_t bits = LittleEndian(file, 28, 2), compression = LittleEndian(file, 30, 4);
    if ((bits != 24 && bits != 32) || compression != 0 || width <= 0 || height == 0 || width > INT16_MAX ||
        height > INT16_MAX || height < -INT16_MAX)
        throw EDescriptionError(line, "unsupported BMP file");
    const int32_t rows = height < 0 ? -height : height;
    const size_t stride = (size_t(width) * bits / 8 + 3) / 4 * 4;
    if (offset > file.size() || (file.size() - offset) / stride < size_t(rows))
        throw EDescriptionError(line, "BMP file too short");
    auto graphic = std::make_unique<BitmapGraphic>();
    Bitmap& bitmap = graphic->GetBitmap();
    bitmap.SetSize(width, rows);
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* row = file.data() + offset + size_t(height < 0 ? y : rows - 1 - y) * stride;
        for (int32_t x = 0; x < width; ++x, row += bits / 8)
            bitmap.SetPixel(x, y, RGB(row[2], row[1], row[0]));
    }
    return graphic;
}

} // namespace

void ReadPictureData(Picture& picture, const StoredValue& value)
{
    const std::vector<uint8_t>& data = value.AsBytes();
    const size_t nameLength = data.empty() ? 0 : data[0];
    if (data.size() < 1 + nameLength + 4)
        throw EDescriptionError(value.Line, "picture data too short");
    const std::string className(data.begin() + 1, data.begin() + 1 + ptrdiff_t(nameLength));
    const size_t at = 1 + nameLength + 4;
    const uint32_t size = LittleEndian(data, 1 + nameLength, 4);
    if (data.size() - at != size)
        throw EDescriptionError(value.Line, "picture data of the wrong length");
    std::vector<uint8_t> bytes(data.begin() + ptrdiff_t(at), data.end());
    if (className == "TJPEGImage") {
        try {
            picture.SetGraphic(std::make_unique<JpegGraphic>(std::move(bytes)));
        } catch (const Exception& e) {
            throw EDescriptionError(value.Line, e.what());
        }
    } else if (className == "TBitmap") {
        picture.SetGraphic(DecodeBmp(bytes, value.Line));
    } else {
        throw EDescriptionError(value.Line, "unknown graphic class " + className);
    }
}

// ------------------------------------------------------------------ loading

namespace {

const ComponentClasses::Entry& FindClass(const ComponentClasses& classes, const StoredObject& object)
{
    const ComponentClasses::Entry* entry = classes.Find(object.ClassName);
    if (!entry)
        throw EDescriptionError(object.Line, "unknown class " + object.ClassName);
    return *entry;
}

void SetProperties(Component& component, const ComponentClasses::Entry& entry, const StoredObject& object)
{
    for (const StoredProperty& property : object.Properties)
        entry.SetProperty(component, property);
}

// Creates, parents and fills the children of `object`, in order, and
// records every component created.
void ReadChildren(Form& form, WinControl* parent, const StoredObject& object, const ComponentClasses& classes,
                  std::vector<Component*>& loaded)
{
    for (const StoredObject& child : object.Children) {
        const ComponentClasses::Entry& entry = FindClass(classes, child);
        if (!entry.Create)
            throw EDescriptionError(child.Line, child.ClassName + " cannot be created here");
        if (form.FindComponent(child.Name))
            throw EDescriptionError(child.Line, "a component named " + child.Name + " exists already");
        std::unique_ptr<Component> created = entry.Create();
        created->Name = child.Name;
        created->IncludeState(csLoading | csReading);
        Component& component = form.InsertComponent(std::move(created));
        loaded.push_back(&component);
        if (auto* control = dynamic_cast<Control*>(&component); control && parent)
            control->SetParent(parent);
        SetProperties(component, entry, child);
        auto* windowed = dynamic_cast<WinControl*>(&component);
        ReadChildren(form, windowed ? windowed : parent, child, classes, loaded);
    }
}

} // namespace

void LoadForm(Form& form, const StoredObject& description, const ComponentClasses& classes)
{
    const ComponentClasses::Entry& rootClass = FindClass(classes, description);
    form.Name = description.Name;
    if (!rootClass.IsInstance(form))
        throw EDescriptionError(description.Line, form.Name + " is not a " + description.ClassName);
    form.IncludeState(csLoading | csReading);
    std::vector<Component*> loaded{&form};
    try {
        SetProperties(form, rootClass, description);
        ReadChildren(form, &form, description, classes, loaded);
    } catch (...) {
        for (Component* component : loaded)
            component->ExcludeState(csLoading | csReading);
        throw;
    }
    for (Component* component : loaded)
        component->ExcludeState(csReading);
    for (Component* component : loaded)
        component->Loaded();
}

void LoadFormDescription(Form& form, const FormDescription& description)
{
    if (!description.Classes)
        throw Exception("A stored description needs its component classes");
    LoadForm(form, ParseDescription(description.Text), *description.Classes);
}

} // namespace saver
