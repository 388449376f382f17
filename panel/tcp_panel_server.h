#pragma once
// The panel's TCP port, as a terminal server would offer it: one session at
// a time; a caller arriving while a session is up is turned away.
#include <QByteArray>
#include <QHostAddress>
#include <QObject>

#include <functional>

class QTcpServer;
class QTcpSocket;

namespace kordex::panel {

class TcpPanelServer : public QObject {
    Q_OBJECT
public:
    explicit TcpPanelServer(QObject *parent = nullptr);
    ~TcpPanelServer() override;

    bool listen(const QHostAddress &address, quint16 port, QString *error);
    QHostAddress address() const;
    quint16 port() const;
    bool hasSession() const { return session_ != nullptr; }
    QString peer() const;

    void send(const QByteArray &bytes);  // dropped without a session

    std::function<void()> onSessionBegin;
    std::function<void()> onSessionEnd;
    std::function<void(const QByteArray &)> onReceived;

private:
    void accept();
    void sessionGone();
    QTcpServer *server_;
    QTcpSocket *session_ = nullptr;
};

}  // namespace kordex::panel
