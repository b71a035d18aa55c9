#pragma once

class QLabel;
class QLineEdit;
class QWidget;

namespace kaltero::core {
struct Console;
}

namespace kaltero::console {

// What this console says to every car: its own address (Host IP 情報), which the cars' PCs are
// set to, and the message to all cars (全車一斉メッセージ), the race's as the operator types it.
class AllCarMessage {
public:
    AllCarMessage(core::Console& console, QWidget* parent);

    // The frames, for the window to lay out.
    QWidget* hostFrame() const { return host_; }
    QWidget* messageFrame() const { return message_; }
    // The window shows this machine's address as it opens.
    void onLoad();

private:
    void build(QWidget* parent);
    void onTyped();

    core::Console& c_;
    QWidget* host_ = nullptr;
    QWidget* message_ = nullptr;
    QLabel* Lbl_LocalIP = nullptr;
    QLineEdit* Txt_AllOutMess = nullptr;
};

}  // namespace kaltero::console
