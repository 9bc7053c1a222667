#include "loopcost/cli/options.h"

#include "loopcost/analysis/analysis.h"

#include <cfloat>
#include <cstdlib>

#include <algorithm>
#include <optional>

#include <CLI/CLI.hpp>

#include "loopcost/analysis/exercise.h"
#include "loopcost/analysis/text.h"

namespace {

// The headings of the help. A group named with a trailing ':' is shown under
// its name, the others after a blank line only; a group with no name is not
// shown at all.
const char* const whatToPrint = "What to print (one at most; the default is the exact cost):";
const char* const questions = "Questions (with the cost or --json):";
const char* const costModel = "Cost model:";
const char* const exercises = "Exercises:";
const char* const server = "server";
const char* const about = "about";

struct ModeOption {
    const char* name;
    Mode mode;
    const char* help;  // its lines as the help shows them
};

const ModeOption modeOptions[] = {
    {"--float", Mode::floatCost, "the cost as the library computes it, in floats"},
    {"--counts", Mode::counts, "the additions and multiplications, as polynomials"},
    {"--format", Mode::format, "the program in its canonical layout"},
    {"--annotate", Mode::annotate, "the program's own lines, each with the cost of the\nstatements that begin on it"},
    {"--hot", Mode::hot, "the N costliest statements (default 10) with their\nshare of the total"},
    {"--json", Mode::json, "one JSON object per program, with every statement"},
    {"--check", Mode::check, "nothing: the exit status tells whether every program\nreads and can be costed"},
    {"--explain", Mode::explain,
     "the derivation: each statement, how many times it\nruns, what one run costs and their product, then\nthe "
     "total, their sum"},
};

const char* nameOf(Mode mode) {
    for (const ModeOption& option : modeOptions)
        if (option.mode == mode)
            return option.name;
    return "";
}

struct CostOption {
    const char* name;
    analysis::Decimal Options::*cost;
    const char* value;  // the value's name in the help
    const char* help;
};

const CostOption costOptions[] = {
    {"--add-cost", &Options::addCost, "X", "the cost of one '+' (a decimal number; default 1)"},
    {"--mul-cost", &Options::multiplyCost, "Y", "the cost of one '*' (a decimal number; default 1)"},
};

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

// What CLI11 gives for --hot without a count: a NUL byte, which no argument
// can hold, so that it is told from every count given (even "--hot=").
const std::string noCount(1, '\0');

// --hot with a count or without one, which leaves the count as it was.
void setHot(Options& options, const std::string& count) {
    setMode(options, Mode::hot);
    if (count == noCount)
        return;
    const std::optional<std::size_t> value = readCount(count, maxHotCount);
    if (!value)
        throw UsageError("--hot takes a whole number from 0 to " + std::to_string(maxHotCount) + ", not '" +
                         shown(count) + "'");
    options.hotCount = *value;
}

// --at N, as often as wanted: an n given twice is costed once.
// n for `option`: a whole number of at most mostDigits digits, however it
// is written.
analysis::Integer wholeValue(const char* option, const std::string& text) {
    analysis::Whole n = analysis::parseWhole(text);
    if (n.fault == analysis::WholeFault::tooLarge)
        throw UsageError(std::string(option) + " needs a whole number n of at most " +
                         std::to_string(analysis::mostDigits) + " digits, not '" + shown(text) + "'");
    if (!n.ok())
        throw UsageError(std::string(option) + " needs a whole number n >= 0, not '" + shown(text) + "'");
    return std::move(n.value);
}

void addAt(Options& options, const std::string& text) {
    analysis::Integer n = wholeValue("--at", text);
    if (std::find(options.at.begin(), options.at.end(), n) == options.at.end())
        options.at.push_back(std::move(n));
}

// --trace N: the one n that each program is run for.
void setTrace(Options& options, const std::string& text) { options.trace = wholeValue("--trace", text); }

void setSteps(Options& options, const std::string& count) {
    const std::optional<std::size_t> value = readCount(count, maxHotCount);
    if (!value)
        throw UsageError("--steps takes a whole number from 0 to " + std::to_string(maxHotCount) + ", not '" +
                         shown(count) + "'");
    options.steps = *value;
}

// --level L and --seed S, the exercise's.
void setLevel(Options& options, const std::string& text) {
    const std::optional<int> level = analysis::parseLevel(text);
    if (!level)
        throw UsageError("--level takes a whole number from " + std::to_string(analysis::firstLevel) + " to " +
                         std::to_string(analysis::lastLevel) + ", not '" + shown(text) + "'");
    options.level = *level;
}

void setSeed(Options& options, const std::string& text) {
    options.seed = analysis::parseSeed(text);
    if (!options.seed)
        throw UsageError("--seed takes a whole number from 0 to 18446744073709551615, not '" + shown(text) + "'");
}

// What the command line says while it is read.
struct Reading {
    Options options;
    bool stdio = false;
    bool levelGiven = false;          // --level
    bool seedGiven = false;           // --seed
    const char* costGiven = nullptr;  // the name of --add-cost or --mul-cost
};

// The help: the usage, the description, each group of options in the order
// declared, the footer. Each option's description starts at column 22, its
// lines as they are written.
class HelpFormatter : public CLI::Formatter {
public:
    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode /*mode*/) const override {
        // the files are not CLI11's to read (see Words), so the usage names them
        std::string text = "Usage: " + name + " [OPTIONS] [FILE...]\n" + app->get_description() + '\n';
        for (const std::string& group : app->get_groups()) {
            if (group.empty())
                continue;
            text += '\n';
            if (group.back() == ':')
                text += group + '\n';
            for (const CLI::Option* option :
                 app->get_options([&group](const CLI::Option* option) { return option->get_group() == group; }))
                text += line(*option);
        }
        return text + '\n' + app->get_footer() + '\n';
    }

private:
    static std::string line(const CLI::Option& option) {
        const std::size_t column = 22;
        std::string text = option.get_snames().empty() ? "      " : "  -" + option.get_snames().front() + ", ";
        text += "--" + option.get_lnames().front();
        if (!option.get_option_text().empty())
            text += ' ' + option.get_option_text();
        text.resize(std::max(column, text.size() + 2), ' ');
        for (const char c : option.get_description()) {
            text += c;
            if (c == '\n')
                text.append(column, ' ');
        }
        return text + '\n';
    }
};

void declare(CLI::App& app, Reading& reading) {
    Options& options = reading.options;
    app.description("Reads programs of the loop language and prints the running cost of each\n"
                    "as a polynomial in n. With no FILE, or where FILE is -, reads standard input.");
    app.footer("With several files each result is preceded by its file name.\n"
               "Exit status: 0 when every program was read and costed, 1 when a file\n"
               "failed, 2 for a command line that cannot be followed.");
    app.set_help_flag();  // --help is a flag like the others: it does not stop the reading, a fault after it is told
    app.formatter(std::make_shared<HelpFormatter>());

    for (const ModeOption& mode : modeOptions) {
        CLI::Option* option = nullptr;
        if (mode.mode == Mode::hot)
            option = app.add_option_function<std::string>(
                            mode.name, [&options](const std::string& count) { setHot(options, count); })
                         ->expected(0, 1)
                         ->default_str(noCount)
                         ->option_text("[N]");
        else
            option = app.add_flag_callback(mode.name, [&options, &mode] { setMode(options, mode.mode); });
        option->description(mode.help)->group(whatToPrint);
    }

    app.add_option_function<std::string>("--at", [&options](const std::string& n) { addAt(options, n); })
        ->description(
            "the exact cost at n = N, a whole number >= 0 of up to\n100000 digits; may be given several times")
        ->option_text("N")
        ->group(questions);
    app.add_flag("--compare", options.compare)
        ->description("the costs of the two files A and B, which grows\nfaster, and for which n each is cheaper")
        ->option_text("A B")
        ->group(questions);
    app.add_flag("--derive", options.derive)
        ->description("the cost written as nested sums, one per loop,\nthen solved step by step down to the polynomial")
        ->group(questions);
    app.add_flag("--latex", options.latex)
        ->description("with --derive: the steps as a LaTeX align* block")
        ->group(questions);
    app.add_option_function<std::string>("--trace", [&options](const std::string& n) { setTrace(options, n); })
        ->description(
            "the run for n = N: each statement run, in order,\nwith the loops' counters and the running total")
        ->option_text("N")
        ->group(questions);
    app.add_option_function<std::string>("--steps", [&options](const std::string& k) { setSteps(options, k); })
        ->description("with --trace: the steps shown at most (default 50);\nthe last line gives the rest and the total")
        ->option_text("K")
        ->group(questions);

    for (const CostOption& cost : costOptions)
        app.add_option_function<std::string>(cost.name,
                                             [&reading, &cost](const std::string& text) {
                                                 reading.options.*cost.cost = costValue(cost.name, text);
                                                 reading.costGiven = cost.name;
                                             })
            ->description(cost.help)
            ->option_text(cost.value)
            ->group(costModel);

    app.add_flag("--exercise", options.exercise)
        ->description(
            "a program to practise on, in its canonical layout;\nits level, seed and cost model on standard error")
        ->group(exercises);
    app.add_option_function<std::string>("--level",
                                         [&reading](const std::string& text) {
                                             setLevel(reading.options, text);
                                             reading.levelGiven = true;
                                         })
        ->description("with --exercise: how hard, from 1 to 5 (default 1)")
        ->option_text("L")
        ->group(exercises);
    app.add_option_function<std::string>("--seed",
                                         [&reading](const std::string& text) {
                                             setSeed(reading.options, text);
                                             reading.seedGiven = true;
                                         })
        ->description("with --exercise: which one, a whole number from 0\nto 2^64 - 1 (default: a fresh one)")
        ->option_text("S")
        ->group(exercises);

    app.add_flag("--lsp", options.languageServer)
        ->description("run the language server on standard input and\noutput (--stdio may come before or after it)")
        ->group(server);
    app.add_flag("--stdio", reading.stdio)->group("");
    app.add_flag("-h,--help", options.help)->description("show this help and exit")->group(about);
    app.add_flag("--version", options.version)->description("show the version and exit")->group(about);
    // every option acts where it stands, so that of two faults the one further left is told
    for (CLI::Option* option : app.get_options())
        option->trigger_on_parse();
}

// The options that may stand beside --lsp (--help and --version win over it).
bool goesWithServer(const std::string& option) {
    for (const char* name : {"--lsp", "--stdio", "--help", "-h", "--version"})
        if (option == name)
            return true;
    return false;
}

// The command line sorted before CLI11 reads it, by the options that it
// declares. CLI11 reads some arguments otherwise than this tool does: it
// takes the file in "--hot p.lc" for the count and "--add-cost=" for a cost
// still to come, "-1" for a file and "--json=0" for --json turned off, and it
// tells an unknown option only after every other fault. So the files are
// set apart here, each option is joined with its value in one word, and the
// reading stops at the first argument that cannot be read: CLI11 reads the
// options before it, and its fault is told if theirs is not.
struct Words {
    std::vector<std::string> options;  // for CLI11, in the order given
    std::vector<std::string> files;    // "-" at most once
    std::string besideServer;          // the first option or file that the server would not follow
    std::string fault;                 // why the argument where the reading stopped cannot be read
};

// An option with its value as CLI11 reads it: "--name=" would be no value.
void addOption(Words& words, const std::string& name, const std::string& value) {
    if (value.empty()) {
        words.options.push_back(name);
        words.options.emplace_back();
    } else {
        words.options.push_back(name + "=" + value);
    }
}

// line   = { file | "--" | option } ; every argument after "--" is a file
// option = name [ "=" value ]       ; or name value, for one that takes a value
Words sortArguments(const CLI::App& app, const std::vector<std::string>& args) {
    Words words;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            // standard input can be read once: a second "-" would read nothing
            if (arg == "-" && std::find(words.files.begin(), words.files.end(), arg) != words.files.end()) {
                words.fault = "standard input ('-') can be read only once";
                break;
            }
            words.files.push_back(arg);
            if (words.besideServer.empty())
                words.besideServer = "a file ('" + shown(arg) + "')";
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const CLI::Option* option = app.get_option_no_throw(name);
        const bool takesValue = option != nullptr && option->get_expected_max() > 0;
        if (option == nullptr || (equals != std::string::npos && !takesValue)) {
            words.fault = "unknown option '" + shown(arg) + "'";
            break;
        }
        if (words.besideServer.empty() && !goesWithServer(name))
            words.besideServer = shown(name);
        if (equals != std::string::npos) {
            addOption(words, name, arg.substr(equals + 1));
        } else if (option->get_expected_min() > 0) {
            if (i + 1 == args.size()) {
                words.fault = name + " needs a value";
                break;
            }
            addOption(words, name, args[++i]);
        } else if (takesValue && i + 1 < args.size() && readNumber(args[i + 1])) {
            // an optional value (--hot's count) is the next argument if that is a
            // number, so that "--hot 1.5" and "--hot -1" are wrong counts rather
            // than file names; a file named like a number comes after "--"
            addOption(words, name, args[++i]);
        } else {
            words.options.push_back(name);
        }
    }
    return words;
}

// A question asked beside another that it cannot go with.
void exclude(bool asked, const char* name, bool other, const char* otherName) {
    if (asked && other)
        throw UsageError(std::string(name) + " and " + otherName + " cannot be used together");
}

// The questions go with the cost and with --json only, one of --compare,
// --derive and --trace at a time; --latex and --steps with the question
// they shape.
void checkCombinations(const Options& options) {
    const bool plain = options.mode == Mode::cost || options.mode == Mode::json;
    const char* const mode = nameOf(options.mode);
    exclude(options.compare, "--compare", !plain, mode);
    exclude(!options.at.empty(), "--at", options.compare, "--compare");
    exclude(!options.at.empty(), "--at", !plain, mode);
    exclude(options.derive, "--derive", !plain, mode);
    exclude(options.derive, "--derive", options.compare, "--compare");
    exclude(options.trace.has_value(), "--trace", !plain, mode);
    exclude(options.trace.has_value(), "--trace", options.compare, "--compare");
    exclude(options.trace.has_value(), "--trace", options.derive, "--derive");
    exclude(options.trace.has_value(), "--trace", !options.at.empty(), "--at");
    if (options.latex && !options.derive)
        throw UsageError("--latex goes with --derive only");
    if (options.steps && !options.trace)
        throw UsageError("--steps goes with --trace only");
    if (options.compare && options.files.size() != 2)
        throw UsageError("--compare needs two files, not " + std::to_string(options.files.size()));
}

// An exercise is made, not read: no file, no question and no model beside
// it, and --json at most.
void checkExercise(const Reading& reading, const std::vector<std::string>& files) {
    const Options& options = reading.options;
    if (!options.exercise) {
        if (reading.levelGiven)
            throw UsageError("--level goes with --exercise only");
        if (reading.seedGiven)
            throw UsageError("--seed goes with --exercise only");
        return;
    }
    if (!files.empty())
        throw UsageError("--exercise reads no file, but was given '" + shown(files.front()) + "'");
    exclude(true, "--exercise", options.mode != Mode::cost && options.mode != Mode::json, nameOf(options.mode));
    exclude(true, "--exercise", !options.at.empty(), "--at");
    exclude(true, "--exercise", options.compare, "--compare");
    exclude(true, "--exercise", options.derive, "--derive");
    exclude(true, "--exercise", options.trace.has_value(), "--trace");
    // the exercise has a model of its own
    exclude(true, "--exercise", reading.costGiven != nullptr, reading.costGiven);
}

}  // namespace

Options parseOptions(const std::vector<std::string>& args) {
    Reading reading;
    CLI::App app("", "loopcost");
    declare(app, reading);
    Words words = sortArguments(app, args);
    std::reverse(words.options.begin(), words.options.end());  // CLI11 reads from the back
    try {
        app.parse(words.options);
    } catch (const CLI::ParseError& e) {
        // the words are made so that CLI11 has nothing to refuse; should it, its reason is told
        throw UsageError(e.what());
    }
    if (!words.fault.empty())
        throw UsageError(words.fault);
    Options& options = reading.options;
    options.files = std::move(words.files);
    if (!options.help && !options.version) {
        if (options.languageServer && !words.besideServer.empty())
            throw UsageError("--lsp cannot be combined with " + words.besideServer);
        if (reading.stdio && !options.languageServer)
            throw UsageError("--stdio goes with --lsp only");
    }
    if (!options.help && !options.version && !options.languageServer)
        checkExercise(reading, options.files);
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
    static const std::string text = [] {
        Reading reading;
        CLI::App app("", "loopcost");
        declare(app, reading);
        return app.help();
    }();
    return text.c_str();
}
