#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

namespace kaltero::console {

struct WindowContext;

class Handlers;
class LiveDialog;
class PitWallWindow;

// The console window "走行状況": builds every control under its name, connects the
// controls to the handlers and refuses to close. It holds no rules.
class MainWindow final : public QWidget {
    Q_OBJECT

public:
    // quit ends the program; the application passes QCoreApplication::quit.
    MainWindow(WindowContext& console, std::function<void()> quit);
    ~MainWindow() override;

    // Window load: master data, captions, grids, own address, address-check socket.
    void onLoad();
    // Why the live page is not served although switched on (its port is taken); shown in the
    // ライブ表示 dialog.
    void setLiveNotice(const QString& notice);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildCommon();
    void endConsole();
    void openLivePage();
    // The pit-wall window: one per console, brought forward when already open.
    void openPitWall();

    WindowContext& console_;
    std::function<void()> quit_;
    std::unique_ptr<Handlers> handlers_;
    QString liveNotice_;
    QPointer<LiveDialog> liveDialog_;
    QPointer<PitWallWindow> pitWall_;
};

}  // namespace kaltero::console
