#include "platform/FlashPlayerProtocol.h"

#include "core/Error.h"
#include "core/Utf8.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace saver {
namespace {

class Reader {
public:
    explicit Reader(std::string_view text) : m_text(text) {}

    void SkipSpace()
    {
        while (m_pos < m_text.size() && std::string_view(" \t\r\n").find(m_text[m_pos]) != std::string_view::npos)
            ++m_pos;
    }
    bool Take(char c)
    {
        SkipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    void Expect(char c)
    {
        if (!Take(c))
            Fail(std::string("expected '") + c + "'");
    }
    [[nodiscard]] bool AtEnd()
    {
        SkipSpace();
        return m_pos == m_text.size();
    }
    [[nodiscard]] char Peek()
    {
        SkipSpace();
        return m_pos < m_text.size() ? m_text[m_pos] : '\0';
    }

    std::string ReadString()
    {
        Expect('"');
        std::string out;
        while (m_pos < m_text.size() && m_text[m_pos] != '"') {
            const char c = m_text[m_pos++];
            if (uint8_t(c) < 0x20)
                Fail("control character in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size())
                break;
            const char e = m_text[m_pos++];
            switch (e) {
            case '"': case '\\': case '/': out += e; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': AppendUtf8(out, ReadCodePoint()); break;
            default: Fail("bad escape");
            }
        }
        if (m_pos >= m_text.size())
            Fail("unterminated string");
        ++m_pos;
        return out;
    }

    JsonLine::Value ReadValue()
    {
        const char c = Peek();
        if (c == '"')
            return ReadString();
        if (ReadWord("true"))
            return true;
        if (ReadWord("false"))
            return false;
        const size_t start = m_pos;
        while (m_pos < m_text.size() && std::string_view("+-0123456789.eE").find(m_text[m_pos]) != std::string_view::npos)
            ++m_pos;
        const std::string number(m_text.substr(start, m_pos - start));
        if (number.empty())
            Fail("expected a string, a number or a Boolean");
        char* end = nullptr;
        const double value = std::strtod(number.c_str(), &end);
        if (end != number.c_str() + number.size() || !std::isfinite(value))
            Fail("bad number");
        return value;
    }

    [[noreturn]] void Fail(const std::string& what) const
    {
        throw Exception("Bad message from the Flash player link at column " + std::to_string(m_pos + 1) + ": " + what);
    }

private:
    bool ReadWord(std::string_view word)
    {
        if (m_text.substr(m_pos, word.size()) != word)
            return false;
        m_pos += word.size();
        return true;
    }
    uint32_t ReadHex4()
    {
        if (m_pos + 4 > m_text.size())
            Fail("bad escape");
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = m_text[m_pos++];
            v <<= 4;
            if (h >= '0' && h <= '9') v |= uint32_t(h - '0');
            else if (h >= 'a' && h <= 'f') v |= uint32_t(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F') v |= uint32_t(h - 'A' + 10);
            else Fail("bad escape");
        }
        return v;
    }
    uint32_t ReadCodePoint()
    {
        const uint32_t high = ReadHex4();
        if (high < 0xD800 || high > 0xDBFF)
            return high >= 0xDC00 && high <= 0xDFFF ? 0xFFFD : high;
        if (m_text.substr(m_pos, 2) != "\\u")
            return 0xFFFD;
        m_pos += 2;
        const uint32_t low = ReadHex4();
        if (low < 0xDC00 || low > 0xDFFF)
            return 0xFFFD;
        return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
    }
    std::string_view m_text;
    size_t m_pos = 0;
};

void FormatString(const std::string& s, std::string& out)
{
    out += '"';
    for (const char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (uint8_t(c) < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", unsigned(uint8_t(c)));
                out += buffer;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

} // namespace

JsonLine JsonLine::Parse(std::string_view text)
{
    Reader reader(text);
    JsonLine line;
    reader.Expect('{');
    if (!reader.Take('}')) {
        do {
            std::string key = reader.ReadString();
            reader.Expect(':');
            line.SetValue(key, reader.ReadValue());
        } while (reader.Take(','));
        reader.Expect('}');
    }
    if (!reader.AtEnd())
        reader.Fail("text after the object");
    return line;
}

std::string JsonLine::Format() const
{
    std::string out = "{";
    for (const auto& [key, value] : m_fields) {
        if (out.size() > 1)
            out += ',';
        FormatString(key, out);
        out += ':';
        if (const auto* s = std::get_if<std::string>(&value)) {
            FormatString(*s, out);
        } else if (const auto* b = std::get_if<bool>(&value)) {
            out += *b ? "true" : "false";
        } else {
            const double d = std::get<double>(value);
            char buffer[32];
            // Whole numbers (frame counts, window ids) print without a point.
            if (d == std::floor(d) && std::fabs(d) < 9.0e15)
                std::snprintf(buffer, sizeof buffer, "%.0f", d);
            else
                std::snprintf(buffer, sizeof buffer, "%.17g", d);
            out += buffer;
        }
    }
    return out + "}";
}

JsonLine& JsonLine::SetValue(const std::string& key, Value value)
{
    for (auto& field : m_fields) {
        if (field.first == key) {
            field.second = std::move(value);
            return *this;
        }
    }
    m_fields.emplace_back(key, std::move(value));
    return *this;
}

const JsonLine::Value* JsonLine::Find(const std::string& key) const
{
    for (const auto& field : m_fields)
        if (field.first == key)
            return &field.second;
    return nullptr;
}

std::optional<std::string> JsonLine::String(const std::string& key) const
{
    const Value* v = Find(key);
    if (const auto* s = v ? std::get_if<std::string>(v) : nullptr)
        return *s;
    return std::nullopt;
}

std::optional<double> JsonLine::Number(const std::string& key) const
{
    const Value* v = Find(key);
    if (const auto* d = v ? std::get_if<double>(v) : nullptr)
        return *d;
    return std::nullopt;
}

std::optional<bool> JsonLine::Flag(const std::string& key) const
{
    const Value* v = Find(key);
    if (const auto* b = v ? std::get_if<bool>(v) : nullptr)
        return *b;
    return std::nullopt;
}

JsonLine ErrorAnswer(const std::string& message) { return JsonLine().Set("event", "error").Set("message", message); }

PlayerCommand ReadPlayerCommand(std::string_view line)
{
    JsonLine command;
    try {
        command = JsonLine::Parse(line);
    } catch (const Exception& error) {
        return {std::nullopt, ErrorAnswer(error.what())};
    }
    const std::optional<std::string> name = command.String("cmd");
    if (!name)
        return {std::nullopt, ErrorAnswer("A command needs its \"cmd\"")};
    auto missing = [&](const char* field, const char* type) {
        return PlayerCommand{std::nullopt, ErrorAnswer("The command \"" + *name + "\" needs " + type + " \"" + field + "\"")};
    };
    if (*name == "load") {
        if (!command.String("path"))
            return missing("path", "the string");
    } else if (*name == "place") {
        for (const char* field : {"parent", "x", "y", "width", "height"})
            if (!command.Number(field))
                return missing(field, "the number");
        if (!command.Flag("visible"))
            return missing("visible", "the Boolean");
    } else if (*name != "play" && *name != "pause") {
        return {std::nullopt, ErrorAnswer("Unknown command \"" + *name + "\"")};
    }
    return {std::move(command), std::nullopt};
}

void PendingCommands::Submit(const JsonLine& command)
{
    if (m_ready) {
        m_deliver(command);
        return;
    }
    if (command.String("cmd") == "load")
        m_queue.clear();
    m_queue.push_back(command);
}

void PendingCommands::SetReady()
{
    m_ready = true;
    std::vector<JsonLine> queued;
    queued.swap(m_queue);
    for (const JsonLine& command : queued)
        m_deliver(command);
}

int32_t FrameReached(uint32_t elapsedMs, uint16_t frameRate, int32_t totalFrames)
{
    const int32_t last = std::max<int32_t>(totalFrames, 1);
    // elapsed ms × (rate / 256) frames a second, counted from frame 1.
    const uint64_t shown = uint64_t(elapsedMs) * frameRate / (1000 * 256);
    return int32_t(std::min<uint64_t>(shown + 1, uint64_t(last)));
}

} // namespace saver
