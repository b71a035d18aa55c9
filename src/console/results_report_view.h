#pragma once

namespace kaltero::console {

struct WindowContext;

// "走行結果保存": writes the race of every car with an address into a text file the
// operator names.
class ResultsReport {
public:
    explicit ResultsReport(WindowContext& console);

    void saveResults();

private:
    // The event data as the race holds it.
    void showEventData();

    WindowContext& c_;
};

}  // namespace kaltero::console
