#ifndef LOOPCOST_WEB_ENGINE_H
#define LOOPCOST_WEB_ENGINE_H

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace web {

// The playground's side of the analysis: the cost model and up to two
// programs (the one edited, and the one it is compared with), each kept with
// its analysis until its text or the model changes, so that the page's
// questions about the cursor, the lines in view or a value of n cost no new
// analysis. One thread at a time.
class Playground {
public:
    static constexpr std::size_t programs = 2;

    Playground();
    ~Playground();
    Playground(const Playground&) = delete;
    Playground& operator=(const Playground&) = delete;

    // The two costs of the model, as typed.
    void setModel(std::string_view additionCost, std::string_view multiplicationCost);
    // The text of program 0 or 1.
    void setProgram(std::size_t program, std::string_view text);
    // A question as a JSON object, its answer as another (see engine.cpp for
    // both). Never throws: whatever goes wrong comes back as an error the
    // page can show.
    std::string answer(std::string_view question);

private:
    struct State;
    std::unique_ptr<State> state;
};

}  // namespace web

#endif
