#include "sim/cli.h"

#include <charconv>
#include <optional>

namespace quillmer::sim {
namespace {

std::optional<int> number(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint8_t> hex_byte(std::string_view text) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.size() != 2 || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

std::optional<std::uint32_t> reply_kinds(std::string_view list) {
    constexpr std::pair<std::string_view, ReplyKind> kNames[] = {
        {"identify", ReplyKind::identify},
        {"link-ready", ReplyKind::link_ready},
        {"link-opened", ReplyKind::link_opened},
        {"ready", ReplyKind::ready_answer},
        {"ack", ReplyKind::ack},
        {"refusal", ReplyKind::refusal}};
    std::uint32_t mask = 0;
    while (!list.empty()) {
        const auto comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        bool known = false;
        for (const auto& [text, kind] : kNames) {
            if (text == name) {
                mask |= reply_bit(kind);
                known = true;
            }
        }
        if (!known) return std::nullopt;
    }
    return mask;
}

ParsedOptions fail(std::string error) {
    return ParsedOptions{std::nullopt, std::move(error)};
}

}  // namespace

ParsedOptions parse_options(const std::vector<std::string_view>& args) {
    Options options;
    Model model = Model::id91;
    std::optional<std::array<std::uint8_t, 2>> id;
    RadioConfig& radio = options.radio;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::optional<std::string_view> inline_value;
        if (const auto eq = name.find('=');
            name.starts_with("--") && eq != std::string_view::npos) {
            inline_value = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        const bool takes_value =
            name == "--model" || name == "--id" || name == "--speed" || name == "--probe-answer" ||
            name == "--ng" || name == "--ack-delay" || name == "--reply-delay" ||
            name == "--noise" || name == "--vanish-after" || name == "--link" ||
            name == "--fault-on" || name == "--fault-times" || name == "--replay";
        std::string_view value;
        if (takes_value) {
            if (inline_value) {
                value = *inline_value;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return fail(std::string(name) + " needs a value");
            }
        } else if (inline_value) {
            return fail(std::string(name) + " takes no value");
        }
        const std::string bad = "bad value for " + std::string(name) + ": " + std::string(value);

        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--version") {
            options.version = true;
        } else if (name == "--model") {
            if (value == "ID-91") {
                model = Model::id91;
            } else if (value == "ID-92") {
                model = Model::id92;
            } else {
                return fail(bad);
            }
        } else if (name == "--id") {
            const auto a =
                value.size() == 5 && value[2] == ':' ? hex_byte(value.substr(0, 2)) : std::nullopt;
            const auto b = value.size() == 5 ? hex_byte(value.substr(3)) : std::nullopt;
            if (!a || !b) return fail(bad);
            id = std::array<std::uint8_t, 2>{*a, *b};
        } else if (name == "--speed") {
            const auto speed = number(value, 0, 1000000);
            if (!speed || (*speed != 4800 && *speed != 9600 && *speed != 38400)) return fail(bad);
            radio.speed = *speed;
        } else if (name == "--silent") {
            radio.silent = true;
        } else if (name == "--probe-answer") {
            const auto from =
                value == "never" ? std::optional<int>(kNever) : number(value, 1, 1000000);
            if (!from) return fail(bad);
            radio.probe_answer_from = *from;
        } else if (name == "--ng") {
            const auto channel = number(value, 0, kChannelCount - 1);
            if (!channel) return fail(bad);
            radio.ng_channels.push_back(*channel);
        } else if (name == "--ack-delay" || name == "--reply-delay") {
            const auto ms = number(value, 0, 3600000);
            if (!ms) return fail(bad);
            (name == "--ack-delay" ? radio.ack_delay : radio.reply_delay) =
                std::chrono::milliseconds(*ms);
        } else if (name == "--noise") {
            const auto count = number(value, 0, 100000);
            if (!count) return fail(bad);
            radio.noise = noise_bytes(static_cast<std::size_t>(*count));
        } else if (name == "--overlong") {
            radio.overlong = 300;
        } else if (name == "--lone-fd") {
            radio.lone_fd = true;
        } else if (name == "--fault-on") {
            const auto mask = reply_kinds(value);
            if (!mask) return fail(bad);
            radio.fault_replies = *mask;
        } else if (name == "--fault-times") {
            const auto times = number(value, 0, 1000000);
            if (!times) return fail(bad);
            radio.fault_limit = *times;
        } else if (name == "--vanish-after") {
            const auto count = number(value, 1, 1000000);
            if (!count) return fail(bad);
            radio.vanish_after = *count;
        } else if (name == "--pace") {
            radio.pace = true;
        } else if (name == "--once") {
            options.once = true;
        } else if (name == "--quiet") {
            options.quiet = true;
        } else if (name == "--link") {
            options.link = std::string(value);
        } else if (name == "--replay") {
            if (value.empty()) return fail(bad);
            options.replay = std::string(value);
        } else {
            return fail("unknown option " + std::string(name));
        }
    }

    const RadioConfig defaults = model_config(model);
    radio.model = model;
    radio.id = id.value_or(defaults.id);
    if (!options.help && !options.version && options.link.empty())
        return fail("--link PATH is required");
    if (!options.replay.empty()) {
        // The trace is the radio: a setting of the built-in radio would be ignored.
        for (const std::string_view arg : args) {
            const std::string_view option = arg.substr(0, arg.find('='));
            const bool goes_along = option == "--replay" || option == "--link" ||
                                    option == "--pace" || option == "--quiet" ||
                                    option == "--help" || option == "-h" || option == "--version" ||
                                    !option.starts_with("-");
            if (!goes_along) return fail(std::string(option) + " does not go with --replay");
        }
    }
    return ParsedOptions{options, {}};
}

std::string usage() {
    return "usage: quillmer-sim --link PATH [options]\n"
           "A simulated ID-91 / ID-92 on a pseudo-terminal; PATH becomes a symbolic link to\n"
           "its serial port. Runs until interrupted (Ctrl-C), or with --once until the\n"
           "program closes the write link. Prints a line per frame and reply, and the\n"
           "memory channels each time the link closes.\n"
           "\n"
           "  --model ID-91|ID-92    radio model (default ID-91); sets the id bytes\n"
           "  --id XX:XX             id bytes in the identify reply (hex, e.g. 30:66)\n"
           "  --speed 4800|9600|38400  speed the radio listens at (default 38400)\n"
           "  --silent               never answer\n"
           "  --probe-answer N|never ID-92: answer READY_PROBE from the Nth on (default 1)\n"
           "  --ng CH                refuse channel CH with NG (repeatable)\n"
           "  --ack-delay MS         wait before the answer to a channel frame\n"
           "  --reply-delay MS       wait before identify, link and probe answers\n"
           "  --noise N              N noise bytes in front of each answer\n"
           "  --overlong             a 300-byte answer without FD in front of each answer\n"
           "  --lone-fd              a lone FD in front of each answer\n"
           "  --fault-on KINDS       answers that carry the three faults above, a comma list\n"
           "                         of identify,link-ready,link-opened,ready,ack,refusal\n"
           "  --fault-times N        only the first N such answers carry them\n"
           "  --vanish-after N       the device disappears at the Nth channel frame\n"
           "  --pace                 bytes take their wire time (10 bits each)\n"
           "  --once                 exit after the write link closes\n"
           "  --replay TRACE         answer as the radio of a quillmer --trace file did;\n"
           "                         exits 0 once the program has sent every frame of\n"
           "                         the trace, 1 at the first frame that departs from it\n"
           "  --quiet                no line per event\n"
           "  --help                 this text\n"
           "  --version              the version\n";
}

}  // namespace quillmer::sim
