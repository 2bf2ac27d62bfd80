#pragma once
// What the saver and its Flash player process (saver-flash-player) say to
// each other: one flat JSON object a line, commands on the player's standard
// input, answers on its standard output. Commands:
//   {"cmd":"load","path":"/tmp/qorvane0.swf","id":3}   drop the movie, load this one
//   {"cmd":"play"}  {"cmd":"pause"}
//   {"cmd":"place","parent":<X window>,"x":..,"y":..,"width":..,"height":..,"visible":true}
// Answers:
//   {"event":"ready"}                            the page and Ruffle are up
//   {"event":"loaded","id":3,"frames":N,"rate":R}   the movie's own counts
//   {"event":"playing","id":3}                   it plays
//   {"event":"error","message":"...","id":3}     a command or a movie failed
// The answers about a movie carry the "id" of its load, so an answer about a
// movie already replaced is told apart.
// No portable piece here knows WebKit: the player and the Linux Flash
// engine are thin shells around them.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace saver {

// One flat JSON object: string, number and Boolean values only, which is all
// the protocol uses. Keys keep their order.
class JsonLine {
public:
    using Value = std::variant<std::string, double, bool>;

    // Throws saver::Exception for anything but one flat object (nested
    // values, trailing text, bad escapes).
    static JsonLine Parse(std::string_view text);
    // The object on one line, without its end.
    [[nodiscard]] std::string Format() const;

    JsonLine& SetValue(const std::string& key, Value value);
    JsonLine& Set(const std::string& key, std::string value) { return SetValue(key, std::move(value)); }
    JsonLine& Set(const std::string& key, const char* value) { return SetValue(key, std::string(value)); }
    JsonLine& Set(const std::string& key, double value) { return SetValue(key, value); }
    JsonLine& Set(const std::string& key, int64_t value) { return SetValue(key, double(value)); }
    JsonLine& Set(const std::string& key, int32_t value) { return SetValue(key, double(value)); }
    JsonLine& Set(const std::string& key, bool value) { return SetValue(key, value); }

    [[nodiscard]] const Value* Find(const std::string& key) const;
    [[nodiscard]] std::optional<std::string> String(const std::string& key) const;
    [[nodiscard]] std::optional<double> Number(const std::string& key) const;
    [[nodiscard]] std::optional<bool> Flag(const std::string& key) const;

private:
    std::vector<std::pair<std::string, Value>> m_fields;
};

// A command read by the player: the line parsed and checked (known command,
// its fields there with their types), or the error answer to send back.
struct PlayerCommand {
    std::optional<JsonLine> Command;
    std::optional<JsonLine> Error;
};
PlayerCommand ReadPlayerCommand(std::string_view line);
JsonLine ErrorAnswer(const std::string& message);

// Commands for the page wait here until the page says it is ready, then go
// in the order they came. A "load" drops the commands queued before it: only
// the last movie matters.
class PendingCommands {
public:
    explicit PendingCommands(std::function<void(const JsonLine&)> deliver) : m_deliver(std::move(deliver)) {}

    void Submit(const JsonLine& command);
    void SetReady();
    [[nodiscard]] bool Ready() const { return m_ready; }
    [[nodiscard]] size_t Queued() const { return m_queue.size(); }

private:
    std::function<void(const JsonLine&)> m_deliver;
    std::vector<JsonLine> m_queue;
    bool m_ready = false;
};

// The frame a movie has reached `elapsedMs` after it started playing at
// `frameRate` (8.8 fixed point): frames count from 1 and the last one holds,
// so a playlist that replaces movies near their end sees that end whenever
// it looks. A rate of 0 shows the first frame.
[[nodiscard]] int32_t FrameReached(uint32_t elapsedMs, uint16_t frameRate, int32_t totalFrames);

} // namespace saver
