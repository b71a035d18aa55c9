#pragma once

namespace kaltero::core {
struct Console;
}

namespace kaltero::race {
struct ReportInputs;
}

namespace kaltero::console {

// "走行結果保存": writes what the console shows of every set-up car into a text file the
// operator names.
class ResultsReport {
public:
    explicit ResultsReport(core::Console& console);

    void Btn_Write_Click();

private:
    // The event data and, per slot, the texts of its controls and grids as they stand.
    race::ReportInputs collect() const;

    core::Console& c_;
};

}  // namespace kaltero::console
