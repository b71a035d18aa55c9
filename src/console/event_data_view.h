#pragma once

class QComboBox;
class QGridLayout;
class QLineEdit;
class QWidget;

namespace kaltero::core {
struct Console;
}
namespace kaltero::widgets {
class ChoiceList;
}

namespace kaltero::console {

// The header's event data for the results report: ｲﾍﾞﾝﾄ名, 日付, 天気, 気温 and the frame of the
// course list. Shows them as the race holds them; what the operator types is the race's at once.
class EventDataView {
public:
    EventDataView(core::Console& console, QWidget* parent);

    // The frames in their grid, for the window to lay out.
    QGridLayout* layout() const { return layout_; }
    // The course list stands in this header; the course choice fills and follows it.
    widgets::ChoiceList* courseList() const { return Cmb_Course; }
    // The window opens on today's date.
    void onLoad();

private:
    void build(QWidget* parent);
    void show();
    void sendEdit();

    core::Console& c_;
    QGridLayout* layout_ = nullptr;
    QLineEdit* Txt_Event = nullptr;
    QLineEdit* Txt_Date = nullptr;
    QComboBox* Cmb_Tenki = nullptr;
    QLineEdit* Txt_Kion = nullptr;
    widgets::ChoiceList* Cmb_Course = nullptr;
};

}  // namespace kaltero::console
