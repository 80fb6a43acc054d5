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

/// Bytes in hexadecimal, two digits each, spaces between them or not: "FE FE FD".
/// Nothing when a digit is missing or not hexadecimal, or no byte is given.
std::optional<Bytes> hex_bytes(std::string_view text) {
    Bytes bytes;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        const auto byte = hex_byte(text.substr(i, 2));
        if (!byte) return std::nullopt;
        bytes.push_back(*byte);
        i += 2;
    }
    if (bytes.empty()) return std::nullopt;
    return bytes;
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

/// What the options have said so far.
struct Reading {
    Options options;
    Model model = Model::id91;
    std::optional<std::array<std::uint8_t, 2>> id;  ///< --id, which outranks --model's
};

/// One option: its name, whether it takes a value, and what it does with it;
/// false when the value is bad.
struct Rule {
    std::string_view name;
    bool takes_value;
    bool (*apply)(Reading& reading, std::string_view value);
};

/// Sets `to` from a whole number within `low` and `high`.
bool set_number(int& to, std::string_view value, int low, int high) {
    const auto n = number(value, low, high);
    if (n) to = *n;
    return n.has_value();
}

bool set_delay(std::chrono::milliseconds& to, std::string_view value) {
    const auto ms = number(value, 0, 3600000);
    if (ms) to = std::chrono::milliseconds(*ms);
    return ms.has_value();
}

constexpr Rule kRules[] = {
    {"--help", false, [](Reading& r, std::string_view) { return r.options.help = true; }},
    {"-h", false, [](Reading& r, std::string_view) { return r.options.help = true; }},
    {"--version", false, [](Reading& r, std::string_view) { return r.options.version = true; }},
    {"--model", true,
     [](Reading& r, std::string_view value) {
         if (value != "ID-91" && value != "ID-92") return false;
         r.model = value == "ID-91" ? Model::id91 : Model::id92;
         return true;
     }},
    {"--id", true,
     [](Reading& r, std::string_view value) {
         const auto a =
             value.size() == 5 && value[2] == ':' ? hex_byte(value.substr(0, 2)) : std::nullopt;
         const auto b = value.size() == 5 ? hex_byte(value.substr(3)) : std::nullopt;
         if (a && b) r.id = std::array<std::uint8_t, 2>{*a, *b};
         return a && b;
     }},
    {"--speed", true,
     [](Reading& r, std::string_view value) {
         const auto speed = number(value, 0, 1000000);
         if (!speed || (*speed != 4800 && *speed != 9600 && *speed != 38400)) return false;
         r.options.radio.speed = *speed;
         return true;
     }},
    {"--silent", false, [](Reading& r, std::string_view) { return r.options.radio.silent = true; }},
    {"--probe-answer", true,
     [](Reading& r, std::string_view value) {
         if (value == "never") {
             r.options.radio.probe_answer_from = kNever;
             return true;
         }
         return set_number(r.options.radio.probe_answer_from, value, 1, 1000000);
     }},
    {"--ng", true,
     [](Reading& r, std::string_view value) {
         const auto channel = number(value, 0, kChannelCount - 1);
         if (channel) r.options.radio.ng_channels.push_back(*channel);
         return channel.has_value();
     }},
    {"--ack-delay", true,
     [](Reading& r, std::string_view value) {
         return set_delay(r.options.radio.ack_delay, value);
     }},
    {"--reply-delay", true,
     [](Reading& r, std::string_view value) {
         return set_delay(r.options.radio.reply_delay, value);
     }},
    {"--filler", true,
     [](Reading& r, std::string_view value) {
         const auto count = number(value, 0, 100000);
         if (count) r.options.radio.filler = filler_bytes(static_cast<std::size_t>(*count));
         return count.has_value();
     }},
    {"--overlong", false,
     [](Reading& r, std::string_view) {
         r.options.radio.overlong = 300;
         return true;
     }},
    {"--lone-fd", false,
     [](Reading& r, std::string_view) { return r.options.radio.lone_fd = true; }},
    {"--fault-on", true,
     [](Reading& r, std::string_view value) {
         const auto mask = reply_kinds(value);
         if (mask) r.options.radio.fault_replies = *mask;
         return mask.has_value();
     }},
    {"--fault-times", true,
     [](Reading& r, std::string_view value) {
         return set_number(r.options.radio.fault_limit, value, 0, 1000000);
     }},
    {"--vanish-after", true,
     [](Reading& r, std::string_view value) {
         return set_number(r.options.radio.vanish_after, value, 1, 1000000);
     }},
    {"--latency", true,
     [](Reading& r, std::string_view value) {
         return set_delay(r.options.radio.line.latency, value);
     }},
    {"--echo", false,
     [](Reading& r, std::string_view) { return r.options.radio.line.echo = true; }},
    {"--drop-byte", true,
     [](Reading& r, std::string_view value) {
         int n = 0;
         if (!set_number(n, value, 1, 1000000000)) return false;
         r.options.radio.line.drop_byte = static_cast<std::size_t>(n);
         return true;
     }},
    {"--noise", true,
     [](Reading& r, std::string_view value) {
         const auto bytes = hex_bytes(value);
         if (bytes) r.options.radio.line.noise = *bytes;
         return bytes.has_value();
     }},
    {"--pace", false, [](Reading& r, std::string_view) { return r.options.radio.pace = true; }},
    {"--once", false, [](Reading& r, std::string_view) { return r.options.once = true; }},
    {"--quiet", false, [](Reading& r, std::string_view) { return r.options.quiet = true; }},
    {"--link", true,
     [](Reading& r, std::string_view value) {
         r.options.link = std::string(value);
         return true;
     }},
    {"--replay", true,
     [](Reading& r, std::string_view value) {
         r.options.replay = std::string(value);
         return !value.empty();
     }},
};

/// An argument as "--name=value" splits it; a value only after "--".
struct Argument {
    std::string_view name;
    std::optional<std::string_view> value;
};

Argument split(std::string_view arg) {
    const auto eq = arg.find('=');
    if (!arg.starts_with("--") || eq == std::string_view::npos) return {arg, std::nullopt};
    return {arg.substr(0, eq), arg.substr(eq + 1)};
}

const Rule* rule_for(std::string_view name) {
    for (const Rule& rule : kRules) {
        if (rule.name == name) return &rule;
    }
    return nullptr;
}

/// The options that go with --replay: the trace decides everything the radio does.
bool goes_with_replay(std::string_view option) {
    return option == "--replay" || option == "--link" || option == "--pace" ||
           option == "--quiet" || option == "--help" || option == "-h" || option == "--version" ||
           !option.starts_with("-");
}

/// After every argument is read: the model's id bytes unless --id gave them,
/// and what must be there or may not be.
ParsedOptions finish(Reading& reading, const std::vector<std::string_view>& args) {
    Options& options = reading.options;
    options.radio.model = reading.model;
    options.radio.id = reading.id.value_or(model_config(reading.model).id);
    if (!options.help && !options.version && options.link.empty()) {
        return fail("--link PATH is required");
    }
    if (!options.replay.empty()) {
        for (const std::string_view arg : args) {
            const std::string_view option = arg.substr(0, arg.find('='));
            if (!goes_with_replay(option)) {
                return fail(std::string(option) + " does not go with --replay");
            }
        }
    }
    return ParsedOptions{options, {}};
}

}  // namespace

ParsedOptions parse_options(const std::vector<std::string_view>& args) {
    Reading reading;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const auto [name, inline_value] = split(args[i]);
        const Rule* rule = rule_for(name);
        // The value follows "=", or else is the next argument.
        std::string_view value;
        if (rule != nullptr && rule->takes_value) {
            if (!inline_value && i + 1 >= args.size()) {
                return fail(std::string(name) + " needs a value");
            }
            value = inline_value ? *inline_value : args[++i];
        } else if (inline_value) {
            return fail(std::string(name) + " takes no value");
        }
        if (rule == nullptr) return fail("unknown option " + std::string(name));
        if (!rule->apply(reading, value)) {
            return fail("bad value for " + std::string(name) + ": " + std::string(value));
        }
    }
    return finish(reading, args);
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
           "  --filler N             N filler bytes (never FE or FD) in front of each answer\n"
           "  --overlong             a 300-byte answer without FD in front of each answer\n"
           "  --lone-fd              a lone FD in front of each answer\n"
           "  --fault-on KINDS       answers that carry the three faults above, a comma list\n"
           "                         of identify,link-ready,link-opened,ready,ack,refusal\n"
           "  --fault-times N        only the first N such answers carry them\n"
           "  --vanish-after N       the device disappears at the Nth channel frame\n"
           "  --pace                 bytes take their wire time (10 bits each)\n"
           "  --latency MS           the cable holds the bytes on their way to the program\n"
           "                         as a USB adapter's latency timer does: those within\n"
           "                         MS ms of the first go on together after MS ms\n"
           "  --echo                 the cable sends every byte the program writes back\n"
           "                         to it, ahead of the radio's answer\n"
           "  --drop-byte N          the cable loses the Nth byte the radio sends\n"
           "                         (counted from 1 over the whole run)\n"
           "  --noise HEX            the cable carries these bytes (\"FE FE FD\", say) just\n"
           "                         in front of the radio's first answer\n"
           "  --once                 exit after the write link closes\n"
           "  --replay TRACE         answer as the radio of a quillmer --trace file did;\n"
           "                         exits 0 once the program has sent every frame of\n"
           "                         the trace, 1 at the first frame that departs from it\n"
           "  --quiet                no line per event\n"
           "  --help                 this text\n"
           "  --version              the version\n";
}

}  // namespace quillmer::sim
