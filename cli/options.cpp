#include "options.h"

#include "analysis.h"

#include <cfloat>
#include <cstdlib>

#include <algorithm>
#include <optional>

#include "text.h"

namespace {

struct ModeOption {
    const char* name;
    Mode mode;
};

const ModeOption modeOptions[] = {
    {"--float", Mode::floatCost},   {"--counts", Mode::counts},   {"--format", Mode::format},
    {"--annotate", Mode::annotate}, {"--json", Mode::json},       {"--check", Mode::check},
    {"--hot", Mode::hot},           {"--explain", Mode::explain},
};

const char* nameOf(Mode mode) {
    for (const ModeOption& option : modeOptions)
        if (option.mode == mode)
            return option.name;
    return "";
}

// The value of an option that takes one, from "--name=X" or from the next
// argument; false when `args[i]` is not that option.
bool optionValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name, std::string& value) {
    const std::string& arg = args[i];
    if (arg == name) {
        if (++i == args.size())
            throw UsageError(name + " needs a value");
        value = args[i];
        return true;
    }
    if (arg.compare(0, name.size() + 1, name + "=") == 0) {
        value = arg.substr(name.size() + 1);
        return true;
    }
    return false;
}

// An argument as a message shows it: printable, and a long one cut short
// (at a character's first byte), so that the message stays a line to read.
std::string shown(const std::string& arg) {
    const std::size_t longest = 40;
    if (arg.size() <= longest)
        return analysis::printable(arg);
    std::size_t cut = longest;
    while (cut > 0 && (static_cast<unsigned char>(arg[cut]) & 0xC0) == 0x80)
        --cut;
    return analysis::printable(arg.substr(0, cut)) + "... (" + std::to_string(arg.size()) + " bytes)";
}

// Every number on the command line is read by the one reader of numbers
// that every front-end shares (a decimal, with an exponent if need be), a
// cost or a count alike.
std::optional<analysis::Decimal> readNumber(const std::string& text) { return analysis::parseCost(text); }

// A number that is whole and not negative ("2.0", "-0", "007" and "1e3"
// are), as every front-end reads n.
std::optional<analysis::Integer> readWhole(const std::string& text) {
    analysis::Whole value = analysis::parseWhole(text);
    if (!value.ok())
        return std::nullopt;
    return std::move(value.value);
}

// A number that is whole and from 0 to `max`.
std::optional<std::size_t> readCount(const std::string& text, std::size_t max) {
    const std::optional<analysis::Integer> value = readWhole(text);
    if (!value || *value > max)
        return std::nullopt;
    return value->convert_to<std::size_t>();
}

analysis::Decimal costValue(const std::string& option, const std::string& text) {
    const std::optional<analysis::Decimal> value = readNumber(text);
    if (!value)
        throw UsageError(option + " needs a decimal number, not '" + shown(text) + "'");
    return *value;
}

void setMode(Options& options, Mode mode) {
    if (options.mode != Mode::cost && options.mode != mode)
        throw UsageError(std::string(nameOf(options.mode)) + " and " + nameOf(mode) + " cannot be used together");
    options.mode = mode;
}

bool setModeByName(Options& options, const std::string& arg) {
    for (const ModeOption& option : modeOptions) {
        if (arg == option.name) {
            setMode(options, option.mode);
            return true;
        }
    }
    return false;
}

// --hot takes an optional count, from "--hot=N" or from a next argument that
// is a number (any that readNumber reads, so that "--hot 1.5" and "--hot -1"
// are wrong counts rather than file names). A file named like a number comes
// after "--": "--hot -- 3".
bool setHot(Options& options, const std::vector<std::string>& args, std::size_t& i) {
    const std::string& arg = args[i];
    const std::string prefix = "--hot=";
    std::string count;
    if (arg == "--hot") {
        if (i + 1 < args.size() && readNumber(args[i + 1]))
            count = args[++i];
    } else if (arg.compare(0, prefix.size(), prefix) == 0) {
        count = arg.substr(prefix.size());
    } else {
        return false;
    }
    setMode(options, Mode::hot);
    if (arg != "--hot" || !count.empty()) {
        const std::optional<std::size_t> value = readCount(count, maxHotCount);
        if (!value)
            throw UsageError("--hot takes a whole number from 0 to " + std::to_string(maxHotCount) + ", not '" +
                             shown(count) + "'");
        options.hotCount = *value;
    }
    return true;
}

struct CostOption {
    const char* name;
    analysis::Decimal Options::*cost;
};

const CostOption costOptions[] = {
    {"--add-cost", &Options::addCost},
    {"--mul-cost", &Options::multiplyCost},
};

bool setCostByName(Options& options, const std::vector<std::string>& args, std::size_t& i) {
    for (const CostOption& option : costOptions) {
        std::string value;
        if (optionValue(args, i, option.name, value)) {
            options.*option.cost = costValue(option.name, value);
            return true;
        }
    }
    return false;
}

// --at N, as often as wanted: an n given twice is costed once.
bool setAt(Options& options, const std::vector<std::string>& args, std::size_t& i) {
    std::string text;
    if (!optionValue(args, i, "--at", text))
        return false;
    analysis::Whole n = analysis::parseWhole(text);
    if (n.fault == analysis::WholeFault::tooLarge)
        throw UsageError("--at needs a whole number n of at most " + std::to_string(analysis::mostDigits) +
                         " digits, not '" + shown(text) + "'");
    if (!n.ok())
        throw UsageError("--at needs a whole number n >= 0, not '" + shown(text) + "'");
    if (std::find(options.at.begin(), options.at.end(), n.value) == options.at.end())
        options.at.push_back(std::move(n.value));
    return true;
}

// --compare and --at go with the cost and with --json only.
void checkCombinations(const Options& options) {
    const bool plain = options.mode == Mode::cost || options.mode == Mode::json;
    if (options.compare && !plain)
        throw UsageError(std::string("--compare and ") + nameOf(options.mode) + " cannot be used together");
    if (!options.at.empty() && options.compare)
        throw UsageError("--at and --compare cannot be used together");
    if (!options.at.empty() && !plain)
        throw UsageError(std::string("--at and ") + nameOf(options.mode) + " cannot be used together");
    if (options.compare && options.files.size() != 2)
        throw UsageError("--compare needs two files, not " + std::to_string(options.files.size()));
}

// An option as the user gave it, without a value after '='.
std::string optionName(const std::string& arg) { return shown(arg.substr(0, arg.find('='))); }

// The options that may stand beside --lsp (--help and --version win over it).
bool goesWithServer(const std::string& option) {
    for (const char* name : {"--lsp", "--stdio", "--", "--help", "-h", "--version"})
        if (option == name)
            return true;
    return false;
}

// Standard input can be read once: a second "-" would read nothing.
void addFile(Options& options, const std::string& path) {
    if (path == "-" && std::find(options.files.begin(), options.files.end(), path) != options.files.end())
        throw UsageError("standard input ('-') can be read only once");
    options.files.push_back(path);
}

}  // namespace

Options parseOptions(const std::vector<std::string>& args) {
    Options options;
    bool optionsEnded = false;
    bool stdio = false;
    std::string besideServer;  // the first option or file that the server would not follow
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool file = optionsEnded || arg == "-" || arg.empty() || arg[0] != '-';
        if (file)
            addFile(options, arg);
        else if (arg == "--")
            optionsEnded = true;
        else if (arg == "--help" || arg == "-h")
            options.help = true;
        else if (arg == "--version")
            options.version = true;
        else if (arg == "--lsp")
            options.languageServer = true;
        else if (arg == "--stdio")
            stdio = true;
        else if (arg == "--compare")
            options.compare = true;
        else if (!setHot(options, args, i) && !setModeByName(options, arg) && !setCostByName(options, args, i) &&
                 !setAt(options, args, i))
            throw UsageError("unknown option '" + shown(arg) + "'");
        if (besideServer.empty() && (file || !goesWithServer(arg)))
            besideServer = file ? "a file ('" + shown(arg) + "')" : optionName(arg);
    }
    if (!options.help && !options.version) {
        if (options.languageServer && !besideServer.empty())
            throw UsageError("--lsp cannot be combined with " + besideServer);
        if (stdio && !options.languageServer)
            throw UsageError("--stdio goes with --lsp only");
    }
    if (options.files.empty())
        options.files.emplace_back("-");
    if (!options.help && !options.version && !options.languageServer)
        checkCombinations(options);
    if (options.mode == Mode::floatCost) {
        floatCost(options.addCost, "--add-cost");
        floatCost(options.multiplyCost, "--mul-cost");
    }
    return options;
}

float floatCost(const analysis::Decimal& cost, const char* option) {
    // the program never sets a locale, so strtod reads '.' as the decimal point
    const double value = std::strtod(cost.text().c_str(), nullptr);
    if (value > FLT_MAX || value < -FLT_MAX)
        throw UsageError(std::string(option) + " value '" + cost.text() + "' is too large for --float");
    return static_cast<float>(value);
}

const char* helpText() {
    return "Usage: loopcost [OPTIONS] [FILE...]\n"
           "Reads programs of the loop language and prints the running cost of each\n"
           "as a polynomial in n. With no FILE, or where FILE is -, reads standard input.\n"
           "\n"
           "What to print (one at most; the default is the exact cost):\n"
           "      --float         the cost as the library computes it, in floats\n"
           "      --counts        the additions and multiplications, as polynomials\n"
           "      --format        the program in its canonical layout\n"
           "      --annotate      the program's own lines, each with the cost of the\n"
           "                      statements that begin on it\n"
           "      --hot [N]       the N costliest statements (default 10) with their\n"
           "                      share of the total\n"
           "      --json          one JSON object per program, with every statement\n"
           "      --check         nothing: the exit status tells whether every program\n"
           "                      reads and can be costed\n"
           "      --explain       the derivation: each statement, how many times it\n"
           "                      runs, what one run costs and their product, then\n"
           "                      the total, their sum\n"
           "\n"
           "Questions (with the cost or --json):\n"
           "      --at N          the exact cost at n = N, a whole number >= 0 of up to\n"
           "                      100000 digits; may be given several times\n"
           "      --compare A B   the costs of the two files A and B, which grows\n"
           "                      faster, and for which n each is cheaper\n"
           "\n"
           "Cost model:\n"
           "      --add-cost X    the cost of one '+' (a decimal number; default 1)\n"
           "      --mul-cost Y    the cost of one '*' (a decimal number; default 1)\n"
           "\n"
           "      --lsp           run the language server on standard input and\n"
           "                      output (--stdio may come before or after it)\n"
           "\n"
           "  -h, --help          show this help and exit\n"
           "      --version       show the version and exit\n"
           "\n"
           "With several files each result is preceded by its file name.\n"
           "Exit status: 0 when every program was read and costed, 1 when a file\n"
           "failed, 2 for a command line that cannot be followed.\n";
}
