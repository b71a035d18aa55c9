#pragma once

namespace kaltero::core {
struct Console;
}
namespace kaltero::widgets {
struct Controls;
}

namespace kaltero::console {

// "走行結果保存": writes the race of every car with an address into a text file the
// operator names.
class ResultsReport {
public:
    ResultsReport(core::Console& console, widgets::Controls& ui);

    void saveResults();

private:
    // The event data as the race holds it.
    void showEventData();

    core::Console& c_;
    widgets::Controls& ui_;
};

}  // namespace kaltero::console
