#pragma once

namespace kaltero::model {
struct Change;
}

namespace kaltero::console {

struct WindowContext;

// Draws each car's lap grid, lap count and figures from the race whenever it changes. The
// grid is a view: an operator's edit in it goes back to the race through the corrections.
class CarView {
public:
    explicit CarView(WindowContext& console);

private:
    void show(const model::Change& change);
    void showLap(int slot, int lapNo);
    void showFigures(int slot);
    // Puts the grid's cursor on the lap's row, as the operator would to edit it.
    void moveTo(int slot, int col, int lapNo);

    WindowContext& c_;
};

}  // namespace kaltero::console
