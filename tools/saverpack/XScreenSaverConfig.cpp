#include "saverpack/XScreenSaverConfig.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace saver {

namespace {

struct Line {
    size_t Begin; // first character
    size_t End;   // the line break, or the end of the text
    size_t Next;  // the next line's first character
};

// One resource: its name and the lines its value spans.
struct Resource {
    std::string Name;
    size_t First;
    size_t Last;
    size_t ValueBegin; // just after the colon
};

std::vector<Line> SplitLines(const std::string& text)
{
    std::vector<Line> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t nl = text.find('\n', at);
        const size_t end = nl == std::string::npos ? text.size() : nl;
        lines.push_back({at, end, nl == std::string::npos ? end : nl + 1});
        at = lines.back().Next;
    }
    return lines;
}

// A line ending in an unescaped backslash goes on in the next one.
bool Continues(const std::string& text, const Line& line)
{
    size_t backslashes = 0;
    for (size_t i = line.End; i > line.Begin && text[i - 1] == '\\'; --i)
        ++backslashes;
    return backslashes % 2 == 1;
}

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// "base", or "base" after a class or instance path ("*base", "x.base").
bool IsResourceName(const std::string& name, const std::string& base)
{
    const auto endsWith = [&](const std::string& tail) {
        return name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
    };
    return name == base || endsWith("*" + base) || endsWith("." + base);
}

bool IsProgramsName(const std::string& name) { return IsResourceName(name, "programs"); }

std::vector<Resource> ParseResources(const std::string& text, const std::vector<Line>& lines)
{
    if (text.find('\0') != std::string::npos)
        throw MalformedSettings("it holds binary data");
    std::vector<Resource> resources;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        const size_t start = text.find_first_not_of(" \t\r", line.Begin);
        if (start >= line.End || text[start] == '!' || text[start] == '#')
            continue; // blank or a comment
        const size_t colon = text.find(':', start);
        const std::string number = std::to_string(i + 1);
        if (colon >= line.End)
            throw MalformedSettings("line " + number + " is neither a comment nor a \"name: value\" line");
        const std::string name = Trimmed(text.substr(start, colon - start));
        if (name.empty())
            throw MalformedSettings("line " + number + " has a value but no name");
        size_t last = i;
        while (Continues(text, lines[last])) {
            if (++last >= lines.size())
                throw MalformedSettings("the value of " + name + " goes on past the end of the file");
        }
        resources.push_back({name, i, last, colon + 1});
        i = last;
    }
    return resources;
}

// The programs list of a parsed file, if there is one.
std::optional<Resource> FindPrograms(const std::vector<Resource>& resources)
{
    std::optional<Resource> found;
    for (const Resource& r : resources) {
        if (!IsProgramsName(r.Name))
            continue;
        if (found)
            throw MalformedSettings("it has two programs lists");
        found = r;
    }
    return found;
}

// The value over lines first..last, without the continuation backslashes.
std::string JoinValue(const std::string& text, const std::vector<Line>& lines, const Resource& r, size_t last)
{
    std::string value;
    for (size_t j = r.First; j <= last; ++j) {
        const size_t begin = j == r.First ? r.ValueBegin : lines[j].Begin;
        size_t end = lines[j].End;
        if (Continues(text, lines[j]))
            --end;
        value.append(text, begin, end - begin);
    }
    return value;
}

bool EndsWithEscapedNewline(const std::string& value)
{
    const std::string trimmed = Trimmed(value);
    return trimmed.size() >= 2 && trimmed.compare(trimmed.size() - 2, 2, "\\n") == 0;
}

// One entry on a line of its own, laid out as XScreenSaver writes them.
std::string EntryLine(const std::string& entry, bool separate)
{
    return "\t\t\t\t" + std::string(separate ? "\\n" : "") + entry + " \\n\\\n";
}

} // namespace

std::string ProgramsValue(const std::string& text)
{
    const std::vector<Line> lines = SplitLines(text);
    const std::optional<Resource> programs = FindPrograms(ParseResources(text, lines));
    return programs ? JoinValue(text, lines, *programs, programs->Last) : std::string();
}

std::optional<int> ProgramIndex(const std::string& text, const std::string& command)
{
    const std::string value = ProgramsValue(text);
    int index = 0;
    for (size_t at = 0;;) {
        const size_t separator = value.find("\\n", at);
        const std::string entry = value.substr(at, separator == std::string::npos ? std::string::npos : separator - at);
        if (entry.find(command) != std::string::npos)
            return index;
        if (!Trimmed(entry).empty())
            ++index;
        if (separator == std::string::npos)
            return std::nullopt;
        at = separator + 2;
    }
}

bool ListsProgram(const std::string& text, const std::string& command)
{
    return ProgramIndex(text, command).has_value();
}

std::string SelectProgram(const std::string& text, const std::string& command)
{
    const std::optional<int> index = ProgramIndex(text, command);
    if (!index)
        throw MalformedSettings("its programs list has no entry for " + command);
    const std::vector<Line> lines = SplitLines(text);
    const std::vector<Resource> resources = ParseResources(text, lines);
    struct Change {
        size_t Begin, End;
        std::string Value;
    };
    std::vector<Change> changes;
    std::string appended;
    for (const auto& [base, value] : {std::pair<std::string, std::string>{"mode", "one"},
                                      std::pair<std::string, std::string>{"selected", std::to_string(*index)}}) {
        const Resource* found = nullptr;
        for (const Resource& r : resources)
            if (IsResourceName(r.Name, base))
                found = &r;
        if (!found) {
            appended += base + ":\t\t" + value + "\n";
            continue;
        }
        // The old value, continuation lines included, gives way to the new
        // one; the spacing after the colon stays.
        const size_t valueStart = std::min(text.find_first_not_of(" \t", found->ValueBegin), lines[found->Last].End);
        size_t valueEnd = lines[found->Last].End;
        if (valueEnd > valueStart && text[valueEnd - 1] == '\r')
            --valueEnd; // a line break written as CR LF stays so
        changes.push_back({valueStart, valueEnd, value});
    }
    std::string result = text;
    std::sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) { return a.Begin > b.Begin; });
    for (const Change& c : changes)
        result.replace(c.Begin, c.End - c.Begin, c.Value);
    if (!appended.empty() && !result.empty() && result.back() != '\n')
        result += '\n';
    return result + appended;
}

std::string AddProgram(const std::string& text, const std::string& entry, const std::string& systemPrograms)
{
    const std::vector<Line> lines = SplitLines(text);
    const std::optional<Resource> programs = FindPrograms(ParseResources(text, lines));
    if (!programs) {
        std::string extended = text;
        if (!extended.empty() && extended.back() != '\n')
            extended += '\n';
        extended += "programs:" + systemPrograms;
        if (extended.back() != '\n')
            extended += '\n';
        return AddProgram(extended, entry, {});
    }
    std::string result = text;
    if (programs->First == programs->Last) {
        // A one-line list: it is continued right after its colon, so that the
        // new entry comes first and the old value follows on the next line.
        result.insert(programs->ValueBegin, "\\\n" + EntryLine(entry, false));
        return result;
    }
    // Before the list's last line: the line before it ends in a backslash,
    // and the new entry's own backslash carries the last line on.
    const std::string before = JoinValue(text, lines, *programs, programs->Last - 1);
    const bool separate = !Trimmed(before).empty() && !EndsWithEscapedNewline(before);
    result.insert(lines[programs->Last].Begin, EntryLine(entry, separate));
    return result;
}

std::string RawProgramsValue(const std::string& text)
{
    try {
        const std::vector<Line> lines = SplitLines(text);
        const std::optional<Resource> programs = FindPrograms(ParseResources(text, lines));
        if (!programs)
            return {};
        std::string raw = text.substr(programs->ValueBegin, lines[programs->Last].Next - programs->ValueBegin);
        if (raw.empty() || raw.back() != '\n')
            raw += '\n';
        return raw;
    } catch (const MalformedSettings&) {
        return {};
    }
}

} // namespace saver
