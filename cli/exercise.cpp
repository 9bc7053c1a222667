#include "loopcost/cli/exercise.h"

#include <chrono>
#include <exception>
#include <ostream>
#include <random>

#include "loopcost/analysis/exercise.h"
#include "loopcost/cli/json.h"

void writeExercise(std::ostream& out, std::ostream& err, const analysis::Exercise& exercise, bool json) {
    if (json) {
        out << "{\"seed\": " << exercise.seed << ", \"level\": " << exercise.level
            << ", \"program\": " << jsonString(exercise.program) << ", \"addCost\": " << exercise.addCost.text()
            << ", \"mulCost\": " << exercise.mulCost.text() << "}\n";
        return;
    }
    out << exercise.program << std::flush;  // before the line on `err`, where both go to one place
    err << "level " << exercise.level << ", seed " << exercise.seed << ", cost model: --add-cost "
        << exercise.addCost.text() << " --mul-cost " << exercise.mulCost.text() << '\n';
}

std::uint64_t freshSeed() {
    std::uint64_t value = 0;
    try {
        std::random_device device;
        value = (static_cast<std::uint64_t>(device()) << 32U) | device();
    } catch (const std::exception&) {
        value = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    }
    return value % analysis::freshSeeds;
}
