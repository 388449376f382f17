#include "app/demo_panel.h"

#include <QTime>

namespace kordex {

bool DemoPanel::knownModel(const QString &model) { return panel::modelByName(model).has_value(); }

DemoPanel::DemoPanel(Clock &clock, const QString &model)
{
    options_.model = panel::modelByName(model).value_or(panel::Model::As1603);
    // The panel's clock shows the time of day, as a real one would.
    options_.clockOffsetSecs = QTime::currentTime().msecsSinceStartOfDay() / 1000;
    sim_ = std::make_unique<panel::PanelSim>(clock, options_, [this](const QByteArray &b) { server_.send(b); });
    server_.onReceived = [this](const QByteArray &b) { sim_->feed(b); };
    server_.onSessionBegin = [this] { sim_->beginSession(); };
    server_.onSessionEnd = [this] { sim_->endSession(); };
}

DemoPanel::~DemoPanel()
{
    server_.onSessionEnd = nullptr;
    sim_->endSession();
}

bool DemoPanel::start(QString *error) { return server_.listen(QHostAddress::LocalHost, 0, error); }

ConnectionRecord DemoPanel::record() const
{
    ConnectionRecord r;
    r.systemName = "Demo Panel";
    r.connectionType = ConnectionType::TcpIp;
    r.tcpHost = "127.0.0.1";
    r.tcpPort = QByteArray::number(server_.port());
    r.password = options_.password;
    r.userName = options_.user;
    r.autoLogin = true;
    return r;
}

}  // namespace kordex
