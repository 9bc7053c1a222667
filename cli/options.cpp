#include "options.h"

#include <cfloat>
#include <cstdlib>

#include "diagnostic.h"

namespace {

struct ModeOption {
    const char* name;
    Mode mode;
};

const ModeOption modeOptions[] = {
    {"--format", Mode::format},
    {"--annotate", Mode::annotate},
    {"--json", Mode::json},
    {"--check", Mode::check},
};

const char* nameOf(Mode mode) {
    for (const ModeOption& option : modeOptions)
        if (option.mode == mode)
            return option.name;
    return "";
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// decimal = [ "+" | "-" ] ( digit { digit } [ "." { digit } ] | "." digit { digit } )
bool isDecimal(const std::string& text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i)
        ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && isDigit(text[i]); ++i)
            ++digits;
    return digits > 0 && i == text.size();
}

float costValue(const std::string& option, const std::string& text) {
    if (!isDecimal(text))
        throw UsageError(option + " needs a decimal number, not '" + printable(text) + "'");
    // the program never sets a locale, so strtod reads '.' as the decimal point
    double value = std::strtod(text.c_str(), nullptr);
    if (value > FLT_MAX || value < -FLT_MAX)
        throw UsageError(option + " value '" + text + "' is too large");
    return static_cast<float>(value);
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

struct CostOption {
    const char* name;
    float Options::*cost;
};

const CostOption costOptions[] = {
    {"--add-cost", &Options::addCost},
    {"--mul-cost", &Options::multiplyCost},
};

// A cost option takes its value from "--name=X" or from the next argument.
bool setCostByName(Options& options, const std::vector<std::string>& args, std::size_t& i) {
    const std::string& arg = args[i];
    for (const CostOption& option : costOptions) {
        const std::string name = option.name;
        std::string value;
        if (arg == name) {
            if (++i == args.size())
                throw UsageError(name + " needs a value");
            value = args[i];
        } else if (arg.compare(0, name.size() + 1, name + "=") == 0) {
            value = arg.substr(name.size() + 1);
        } else {
            continue;
        }
        options.*option.cost = costValue(name, value);
        return true;
    }
    return false;
}

}  // namespace

Options parseOptions(const std::vector<std::string>& args) {
    Options options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-')
            options.files.push_back(arg);
        else if (arg == "--")
            optionsEnded = true;
        else if (arg == "--help" || arg == "-h")
            options.help = true;
        else if (arg == "--version")
            options.version = true;
        else if (!setModeByName(options, arg) && !setCostByName(options, args, i))
            throw UsageError("unknown option '" + printable(arg) + "'");
    }
    if (options.files.empty())
        options.files.emplace_back("-");
    return options;
}

const char* helpText() {
    return "Usage: loopcost [OPTIONS] [FILE...]\n"
           "Reads programs of the loop language and prints the running cost of each\n"
           "as a polynomial in n. With no FILE, or where FILE is -, reads standard input.\n"
           "\n"
           "What to print (one at most; the default is the cost):\n"
           "      --format        the program in its canonical layout\n"
           "      --annotate      the canonical layout with the cost of every line\n"
           "      --json          one JSON object per program\n"
           "      --check         nothing: the exit status tells whether every program\n"
           "                      reads and can be costed\n"
           "\n"
           "Cost model:\n"
           "      --add-cost X    the cost of one '+' (a decimal number; default 1)\n"
           "      --mul-cost Y    the cost of one '*' (a decimal number; default 1)\n"
           "\n"
           "  -h, --help          show this help and exit\n"
           "      --version       show the version and exit\n"
           "\n"
           "With several files each result is preceded by its file name.\n"
           "Exit status: 0 when every program was read and costed, 1 when a file\n"
           "failed, 2 for a command line that cannot be followed.\n";
}
