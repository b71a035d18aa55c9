#include "console/splash.h"

#include "platform/clock.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace kaltero::console {

Splash::Splash(platform::Clock& clock, std::function<void()> load,
               std::function<void()> openConsole)
    : QWidget(nullptr, Qt::SplashScreen),
      load_(std::move(load)),
      openConsole_(std::move(openConsole)),
      timer1_(clock.makeTimer()) {
    setObjectName(QStringLiteral("Mf_Open"));
    setWindowTitle(QStringLiteral("Kaltero"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("Kaltero"), this);
    title->setObjectName(QStringLiteral("Title"));
    QFont big = title->font();
    big.setPointSize(28);
    big.setBold(true);
    title->setFont(big);
    auto* version = new QLabel(QStringLiteral("Ver1.20"), this);
    version->setObjectName(QStringLiteral("Label1_0"));
    auto* cars = new QLabel(QStringLiteral("5Car Version"), this);
    cars->setObjectName(QStringLiteral("Label1_1"));
    auto* lower = new QHBoxLayout;
    lower->addWidget(version);
    lower->addStretch();
    lower->addWidget(cars);
    layout->addWidget(title, 0, Qt::AlignCenter);
    layout->addLayout(lower);
    setFixedSize(420, 160);
    timer1_->setInterval(3000);
    timer1_->onTimeout([this] { onSplashTimer(); });
}

Splash::~Splash() = default;

void Splash::onLoad() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    timer1_->start();
    load_();
}

void Splash::onSplashTimer() {
    timer1_->stop();
    close();
    openConsole_();
}

}  // namespace kaltero::console
