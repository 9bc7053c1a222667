#include "loopcost/cli/tracing.h"

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/derive.h"
#include "loopcost/analysis/trace.h"

namespace {

// The columns of one step, before they are padded.
struct Columns {
    std::string step;
    std::string counters;  // "i=1 j=2"
    std::string place;     // "4:13"
    std::string cost;
    std::string total;
};

Columns columnsOf(const analysis::TraceStep& step) {
    Columns columns{step.step.str(),
                    {},
                    std::to_string(step.line) + ":" + std::to_string(step.column),
                    step.cost.text(),
                    step.total.text()};
    for (std::size_t depth = 0; depth < step.counters.size(); ++depth) {
        if (depth)
            columns.counters += ' ';
        columns.counters += analysis::indexName(static_cast<int>(depth)) + "=" + step.counters[depth].str();
    }
    return columns;
}

void padRight(std::ostream& out, const std::string& text, std::size_t width) {
    out << text << std::string(width - text.size(), ' ');
}
void padLeft(std::ostream& out, const std::string& text, std::size_t width) {
    out << std::string(width - text.size(), ' ') << text;
}

}  // namespace

void writeTrace(std::ostream& out, const analysis::Analysis& program, const analysis::Integer& n, std::size_t limit) {
    if (!program.ok())
        return;
    const analysis::Trace trace = analysis::traceRun(program, n, limit);
    std::vector<Columns> rows;
    struct Widths {
        std::size_t step = 0, counters = 0, place = 0, text = 0, cost = 0, total = 0;
    } widths;  // of each column: the longest text in it
    for (const analysis::TraceStep& step : trace.steps) {
        rows.push_back(columnsOf(step));
        const Columns& row = rows.back();
        widths.step = std::max(widths.step, row.step.size());
        widths.counters = std::max(widths.counters, row.counters.size());
        widths.place = std::max(widths.place, row.place.size());
        widths.text = std::max(widths.text, step.text.size());
        widths.cost = std::max(widths.cost, row.cost.size());
        widths.total = std::max(widths.total, row.total.size());
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Columns& row = rows[i];
        out << "step ";
        padLeft(out, row.step, widths.step);
        out << "  ";
        if (widths.counters) {  // no column where every step shown is outside the loops
            padRight(out, row.counters, widths.counters);
            out << "  ";
        }
        padRight(out, row.place, widths.place);
        out << "  ";
        padRight(out, trace.steps[i].text, widths.text);
        out << "  cost ";
        padLeft(out, row.cost, widths.cost);
        out << "  total ";
        padLeft(out, row.total, widths.total);
        out << '\n';
    }
    const analysis::Integer left = trace.all - trace.steps.size();
    if (left.is_zero())
        out << trace.all << (trace.all == 1 ? " step" : " steps");
    else
        out << "\xe2\x80\xa6 " << left << (left == 1 ? " more step (" : " more steps (") << trace.all << " in all)";
    out << ", total " << trace.total.text() << '\n';
}

void writeTraceJson(std::ostream& out, const analysis::Analysis& program, const analysis::Integer& n,
                    std::size_t limit) {
    if (!program.ok())
        return;
    // Exact numbers are valid JSON as their texts stand: all digits, no
    // exponent, which no double could hold.
    const analysis::Trace trace = analysis::traceRun(program, n, limit);
    for (const analysis::TraceStep& step : trace.steps) {
        out << "{\"step\": " << step.step << ", \"line\": " << step.line << ", \"column\": " << step.column
            << ", \"counters\": [";
        for (std::size_t i = 0; i < step.counters.size(); ++i)
            out << (i ? ", " : "") << step.counters[i];
        out << "], \"cost\": " << step.cost.text() << ", \"total\": " << step.total.text() << "}\n";
    }
    out << "{\"steps\": " << trace.all << ", \"shown\": " << trace.steps.size() << ", \"total\": " << trace.total.text()
        << "}\n";
}
