#pragma once
// The real kordex, offscreen, in a home of its own with one stored
// connection, writing a session trace; stopped by SIGTERM at the end.
#include "config/configuration.h"
#include "platform/prompter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace kordex::test {

inline constexpr int kLimitMs = 30000;

struct Kordex {
    QTemporaryDir home;
    QProcess process;
    QString tracePath;

    // `ports`: "COM150=/path" lines for the [Ports] section.
    explicit Kordex(TConnectionRec r, const QByteArray &ports = {})
    {
        r.SystemName = "Plant Room";
        r.AutoLogin = false;  // the command line forces it on
        ConnectionBook book;
        book.add(r);
        const QString folder = home.path() + QStringLiteral("/Corvane/Kordex/");
        QDir().mkpath(folder);
        StorageFolders folders{QString(), folder, true};
        ScriptedPrompter silent;
        Configuration(folders, silent).SaveConnections(book);
        if (!ports.isEmpty()) {
            QFile ini(folder + QStringLiteral("Kordex.ini"));
            if (ini.open(QIODevice::Append))
                ini.write("[Ports]\r\n" + ports + "\r\n");
        }
        tracePath = home.filePath(QStringLiteral("session.trace"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(QStringLiteral(KORDEX_BIN), {QStringLiteral("--trace"), tracePath, QStringLiteral("PLANT ROOM")});
    }
    ~Kordex()
    {
        if (process.state() != QProcess::NotRunning) {
            ::kill(pid_t(process.processId()), SIGTERM);
            if (!process.waitForFinished(10000))
                process.kill();
            process.waitForFinished(5000);
        }
    }
    QByteArray trace() const
    {
        QFile f(tracePath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool traced(const QByteArray &what) const { return trace().contains(what); }
    QByteArray lastStatus() const
    {
        const QByteArray t = trace();
        const qsizetype at = t.lastIndexOf(" status \"");
        return at < 0 ? QByteArray() : t.mid(at + 9, t.indexOf('\n', at) - at - 10);
    }
};

}  // namespace kordex::test
