#pragma once

namespace kaltero::core {
struct Console;
}

namespace kaltero::console {

// "走行結果保存": writes the race of every car with an address into a text file the
// operator names.
class ResultsReport {
public:
    explicit ResultsReport(core::Console& console);

    void saveResults();

private:
    core::Console& c_;
};

}  // namespace kaltero::console
