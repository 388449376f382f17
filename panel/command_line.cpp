#include "panel/command_line.h"

#include <QCommandLineParser>

namespace kordex::panel {

QString usageText()
{
    return QStringLiteral(
        "usage: kordex-panel (--tcp [HOST:]PORT | --pty [LINK]) [options]\n"
        "A simulated fire indicator panel on a remote terminal port.\n"
        "\n"
        "Transport (one of):\n"
        "  --tcp [HOST:]PORT     listen on PORT (loopback unless HOST is given; 0 picks\n"
        "                        a free port); one session at a time\n"
        "  --pty [LINK]          open a pseudo-terminal and print its device; LINK\n"
        "                        becomes a symbolic link to it\n"
        "  --modem               a Hayes modem in front of the panel (ATZ, ATDT, +++, ATH)\n"
        "  --dial-result R       connect | busy | no-carrier | no-dialtone | no-answer |\n"
        "                        error | silence (default connect)\n"
        "  --dial-delay MS       time from ATDT to the result (default 2000)\n"
        "\n"
        "Panel:\n"
        "  --model M             1603 | 1603L | 4428 | zr9 | zr9fb (default 1603)\n"
        "  --password TEXT       password (default QUOLL; \"\" for none)\n"
        "  --user NAME           ask for a user name (confirmed with \"*\")\n"
        "  --sid ID              ask for a system id: digits, or L for local\n"
        "  --prompts LIST        login prompts in order, comma-separated, from\n"
        "                        printer, sid, user, password, program, diagnostics,\n"
        "                        banner, access, info (default: sid,user,password as\n"
        "                        configured); after the last one tandem mode begins\n"
        "  --arrow               line-style \"->\" prompts\n"
        "  --start-in-tandem     every session finds the panel still in tandem mode\n"
        "  --events on|off       remote event display at start (default on)\n"
        "  --site TEXT           site name on the display\n"
        "\n"
        "Scenario (clock starts at the first tandem mode):\n"
        "  --scenario NAME       default | multi | faults | quiet (default default)\n"
        "  --alarm-after S       fire alarm in zone 3 after S seconds (default 10)\n"
        "  --fault-after S       zone 5 fault comes after S seconds (default 20, 0 never)\n"
        "  --fault-for S         and goes after S seconds, over and over (default 10)\n"
        "\n"
        "Database load and diagnostics:\n"
        "  --xoff-after N        send XOFF after N bytes of a file send, XON later\n"
        "  --xoff-hold MS        time between that XOFF and XON (default 1000)\n"
        "  --log FILE            append every received chunk with its time in ms\n"
        "  -h, --help            this text\n");
}

namespace {

// `scale` turns seconds into ms; *out is left as it is on a failure.
bool toInt(const QString &text, int min, int max, int *out, int scale = 1)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max)
        return false;
    *out = v * scale;
    return true;
}

}  // namespace

ParsedCommandLine parseCommandLine(const QStringList &arguments)
{
    ParsedCommandLine result;
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({"h", "help"}, "help");
    const QCommandLineOption tcp("tcp", "t", "ADDR");
    const QCommandLineOption pty("pty", "p");
    const QCommandLineOption modem("modem", "m");
    const QCommandLineOption dialResult("dial-result", "r", "R");
    const QCommandLineOption dialDelay("dial-delay", "d", "MS");
    const QCommandLineOption model("model", "m", "M");
    const QCommandLineOption password("password", "p", "TEXT");
    const QCommandLineOption user("user", "u", "NAME");
    const QCommandLineOption sid("sid", "s", "ID");
    const QCommandLineOption prompts("prompts", "p", "LIST");
    const QCommandLineOption arrow("arrow", "a");
    const QCommandLineOption startInTandem("start-in-tandem", "t");
    const QCommandLineOption events("events", "e", "ON");
    const QCommandLineOption site("site", "s", "TEXT");
    const QCommandLineOption scenario("scenario", "s", "NAME");
    const QCommandLineOption alarmAfter("alarm-after", "a", "S");
    const QCommandLineOption faultAfter("fault-after", "f", "S");
    const QCommandLineOption faultFor("fault-for", "f", "S");
    const QCommandLineOption xoffAfter("xoff-after", "x", "N");
    const QCommandLineOption xoffHold("xoff-hold", "x", "MS");
    const QCommandLineOption log("log", "l", "FILE");
    p.addOptions({help,       tcp,        pty,      modem,     dialResult,    dialDelay, model, password,
                  user,       sid,        prompts,  arrow,     startInTandem, events,    site,  scenario,
                  alarmAfter, faultAfter, faultFor, xoffAfter, xoffHold,      log});
    p.addPositionalArgument("LINK", "pty link");

    auto fail = [&](const QString &text) {
        result.error = text;
        return result;
    };
    auto intOption = [&](const QCommandLineOption &option, int min, int max, int *out, int scale = 1) {
        return !p.isSet(option) || toInt(p.value(option), min, max, out, scale);
    };
    if (!p.parse(arguments))
        return fail(p.errorText());
    if (p.isSet(help)) {
        result.help = true;
        return result;
    }

    CommandLine c;
    c.tcp = p.isSet(tcp);
    c.pty = p.isSet(pty);
    if (c.tcp == c.pty)
        return fail("give one of --tcp or --pty");
    const QStringList positional = p.positionalArguments();
    if (positional.size() > (c.pty ? 1 : 0))
        return fail("unexpected argument: " + positional.last());
    if (c.pty && !positional.isEmpty())
        c.ptyLink = positional.first();
    if (c.tcp) {
        QString addr = p.value(tcp);
        const qsizetype colon = addr.lastIndexOf(':');
        if (colon >= 0) {
            QString host = addr.left(colon);
            if (host.startsWith('[') && host.endsWith(']'))
                host = host.mid(1, host.size() - 2);
            if (host.compare("localhost", Qt::CaseInsensitive) != 0 && !c.host.setAddress(host))
                return fail("not an address: " + host);
            addr = addr.mid(colon + 1);
        }
        int port = 0;
        if (!toInt(addr, 0, 65535, &port))
            return fail("not a port: " + addr);
        c.port = quint16(port);
    }
    c.modem = p.isSet(modem);
    if (p.isSet(dialResult)) {
        const auto r = dialResultByName(p.value(dialResult));
        if (!r)
            return fail("unknown dial result: " + p.value(dialResult));
        c.modemOptions.dialResult = *r;
    }
    if (!intOption(dialDelay, 0, 600000, &c.modemOptions.dialDelayMs))
        return fail("bad --dial-delay");

    PanelOptions &o = c.panel;
    if (p.isSet(model)) {
        const auto m = modelByName(p.value(model));
        if (!m)
            return fail("unknown model: " + p.value(model));
        o.model = *m;
    }
    if (p.isSet(password))
        o.password = p.value(password).toLatin1();
    o.user = p.value(user).toLatin1();
    o.sid = p.value(sid).toLatin1();
    if (!o.sid.isEmpty() && o.sid.toUpper() != "L") {
        int id = 0;
        if (!toInt(p.value(sid), 1, 999999, &id))
            return fail("--sid takes digits or L");
    }
    if (p.isSet(prompts)) {
        for (const QString &name : p.value(prompts).split(',', Qt::SkipEmptyParts)) {
            const auto s = stepByName(name.trimmed());
            if (!s)
                return fail("unknown prompt: " + name);
            o.steps << *s;
        }
    }
    o.arrowPrompt = p.isSet(arrow);
    o.startInTandem = p.isSet(startInTandem);
    if (p.isSet(events)) {
        const QString v = p.value(events).toLower();
        if (v != "on" && v != "off")
            return fail("--events takes on or off");
        o.eventDisplay = v == "on";
    }
    if (p.isSet(site))
        o.site = p.value(site).toLatin1().toUpper();
    if (p.isSet(scenario)) {
        const auto s = scenarioByName(p.value(scenario));
        if (!s)
            return fail("unknown scenario: " + p.value(scenario));
        o.scenario = *s;
    }
    if (!intOption(alarmAfter, 0, 86400, &o.alarmAfterMs, 1000))
        return fail("bad --alarm-after");
    if (!intOption(faultAfter, 0, 86400, &o.faultAfterMs, 1000))
        return fail("bad --fault-after");
    if (!intOption(faultFor, 1, 86400, &o.faultForMs, 1000))
        return fail("bad --fault-for");
    if (!intOption(xoffAfter, 1, 1 << 30, &o.xoffAfter))
        return fail("bad --xoff-after");
    if (!intOption(xoffHold, 1, 600000, &o.xoffHoldMs))
        return fail("bad --xoff-hold");
    c.logPath = p.value(log);
    result.line = c;
    return result;
}

}  // namespace kordex::panel
